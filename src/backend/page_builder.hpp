#pragma once
// Turns the facts the PDF reader reports for a page (glyphs, paths and images in user space) into
// the page primitives. Kept apart from the reader so that every rule here can be tested on
// hand-made input.

#include "backend/page_matrix.hpp"
#include "ir/page.hpp"

#include <span>
#include <string>
#include <vector>

namespace quillstone::backend {

// Style bits as the reader reports them for a font.
struct ReaderFontStyle {
    bool italic = false, serif = false, symbolic = false, fixed_pitch = false, bold = false;
};

struct ReaderGlyph {
    std::string text;           // UTF-8, possibly empty or several characters
    std::string base_name;      // the font's declared name, possibly empty
    std::string resource_name;  // the name the content stream selected the font by
    ReaderFontStyle style;
    ir::Point origin;           // user space
    ir::Rect box;               // user space, two corners
    float size = 0;             // may be zero, negative or not finite when unknown
    float angle = 0;            // baseline angle in user space, radians
    float rgba[4] = {0, 0, 0, 1};
    bool synthesised = false;
};

struct PathCommand {
    enum class Op : unsigned char { MoveTo, LineTo, CurveTo, Close };
    Op op = Op::MoveTo;
    ir::Point p[3];  // MoveTo/LineTo use p[0]; CurveTo uses all three (two controls, end)
};

struct ReaderPath {
    std::vector<PathCommand> commands;  // user space
    bool filled = false;
    bool stroked = false;
    float fill_rgb[3] = {0, 0, 0};
    float fill_alpha = 1;
    float stroke_rgb[3] = {0, 0, 0};
    float stroke_alpha = 1;
    float line_width = 0;  // user space
};

struct ReaderImage {
    ir::Rect box;  // user space, two corners
    std::uint32_t pixel_width = 0;
    std::uint32_t pixel_height = 0;
};

class PageBuilder {
  public:
    PageBuilder(std::uint64_t index, const PageMatrix& matrix, ir::FontTable& fonts);

    void glyph(const ReaderGlyph& g);
    void path(const ReaderPath& p);
    void image(const ReaderImage& im);

    [[nodiscard]] ir::PageRaw finish() &&;

  private:
    PageMatrix m_;
    ir::FontTable& fonts_;
    ir::PageRaw page_;
    // The previous kept glyph's font, so runs of one font skip the table lookup.
    std::string last_font_;
    ir::FontId last_id_ = 0;
    std::uint16_t last_flags_ = 0;
    bool have_last_ = false;
    std::uint64_t images_seen_ = 0;
};

// The rectangle test on one piece of a path, in user space.
[[nodiscard]] bool is_rectangle(std::span<const PathCommand> commands);

// Expands the Latin ligature characters U+FB00..U+FB06 into their letters.
[[nodiscard]] std::string expand_ligatures(const std::string& text);

} // namespace quillstone::backend
