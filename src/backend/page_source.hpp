#pragma once
// The interface every later stage reads pages through. It knows nothing of the PDF reader, so
// the reader can be replaced (or faked in tests) behind it.

#include "error/error.hpp"
#include "ir/page.hpp"

#include <cstddef>
#include <string>

namespace quillstone::backend {

class PageSource {
  public:
    virtual ~PageSource() = default;

    [[nodiscard]] virtual std::size_t page_count() const = 0;
    // Converts one page, interning its fonts into `fonts`.
    [[nodiscard]] virtual Result<ir::PageRaw> page(std::size_t index, ir::FontTable& fonts) = 0;
    // Rasterises `rect` (page space, points) at `dpi` and returns PNG bytes.
    [[nodiscard]] virtual Result<std::string> render_region(std::size_t index, const ir::Rect& rect,
                                                            float dpi) = 0;
};

} // namespace quillstone::backend
