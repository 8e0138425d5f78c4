#pragma once
// The page source over MuPDF. MuPDF's types never leave backend/: callers see only PageSource.
// Each backend owns its own MuPDF context, with a memory ceiling and a time limit per page, so a
// hostile file fails as a reader error instead of taking the process down.

#include "backend/page_source.hpp"

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace quillstone::backend {

// What MuPDF may spend on one document: memory for everything it holds, and time to interpret
// one page. No real paper comes near either; a page that hits one fails as a reader error.
struct ReaderLimits {
    std::size_t memory_bytes = std::size_t{1} << 30;
    std::chrono::milliseconds page_time{8000};
};

class PdfBackend final : public PageSource {
  public:
    // Reads the whole file and opens it without a password.
    [[nodiscard]] static Result<std::unique_ptr<PdfBackend>> open_with_password(
        const std::string& path);
    // Opens bytes already in memory; `path` only names the document in messages.
    // `limits` exist so tests can trip them; callers keep the defaults.
    [[nodiscard]] static Result<std::unique_ptr<PdfBackend>> open_bytes(
        std::string bytes, const std::string& path, const ReaderLimits& limits = {});

    ~PdfBackend() override;
    PdfBackend(const PdfBackend&) = delete;
    PdfBackend& operator=(const PdfBackend&) = delete;

    [[nodiscard]] std::size_t page_count() const override;
    [[nodiscard]] Result<ir::PageRaw> page(std::size_t index, ir::FontTable& fonts) override;
    [[nodiscard]] Result<std::string> render_region(std::size_t index, const ir::Rect& rect,
                                                    float dpi) override;
    [[nodiscard]] const std::string& path() const;
    // Drops what MuPDF keeps cached between pages (decoded fonts, image streams). Once every
    // page is extracted only rasterising reads the document again, and it reloads what it
    // needs; until then the cache is most of the reader's memory.
    void release_caches();

    struct Impl;

  private:
    explicit PdfBackend(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace quillstone::backend
