#pragma once
// The MuPDF device that collects a page's glyphs, paths and images into a PageBuilder.
// Included only by backend/*.cpp.

#include "backend/mupdf_context.hpp"
#include "backend/page_builder.hpp"

#include <mupdf/pdf.h>

#include <exception>
#include <string>
#include <unordered_map>

namespace quillstone::backend {

// Owns everything the device gathers; the device itself (a calloc'ed C struct) holds only a
// pointer to it. Callbacks gather MuPDF's facts into plain locals and hand them over through
// noexcept members, so no C++ object is ever live when MuPDF longjmps.
class Collector {
  public:
    Collector(fz_context* ctx, PageBuilder& builder, Budget& budget);
    ~Collector();
    Collector(const Collector&) = delete;
    Collector& operator=(const Collector&) = delete;

    // Maps the fonts of the page's resources to their declared names, resource names and
    // descriptor flags, which MuPDF's font object no longer carries in full.
    void learn_fonts(pdf_page* page) noexcept;

    // One text item (x, y already combined into `trm`). `gid` -1 continues the previous glyph.
    struct Item {
        fz_font* font;
        fz_matrix trm;
        int gid;
        int ucs;
        fz_rect ink;
        float rgba[4];
    };
    void item(const Item& it) noexcept;
    void end_text() noexcept;

    // A path about to be filled and/or stroked: begin, then the walker's commands, then end.
    void begin_path(bool filled, bool stroked, const float* fill_rgb, float fill_alpha,
                    const float* stroke_rgb, float stroke_alpha, float line_width) noexcept;
    void command(PathCommand::Op op, const fz_point* pts) noexcept;
    void end_path() noexcept;
    // A fill waiting to learn whether the same path is stroked next.
    [[nodiscard]] bool pending_fill_is(const fz_path* path, fz_matrix ctm) const noexcept;
    void hold_fill(fz_path* kept, fz_matrix ctm) noexcept;
    void stroke_pending(const float* rgb, float alpha, float line_width) noexcept;
    void flush() noexcept;

    void image(fz_rect box, int w, int h) noexcept;

    // Drops any pending fill and releases what the collector kept.
    void finish() noexcept;
    [[nodiscard]] bool failed() const noexcept { return failure_ != nullptr; }

    fz_context* ctx() const noexcept { return ctx_; }
    Budget& budget() noexcept { return budget_; }
    // The text last seen, so fill+stroke and fill+clip of one text are collected once.
    const fz_text* last_text = nullptr;
    fz_text* kept_text = nullptr;

    // Colour conversion cache: the last source colour and its RGB.
    bool to_rgb(fz_colorspace* cs, const float* color, fz_color_params params, float rgb[3]) noexcept;

  private:
    struct FontInfo {
        std::string base_name;
        std::string resource_name;
        int descriptor_flags = 0;
        bool known = false;
    };
    const FontInfo& font_info(fz_font* font);
    void emit_pending_glyph();
    void append_reader_char(int ucs);

    fz_context* ctx_;
    PageBuilder& builder_;
    Budget& budget_;
    std::exception_ptr failure_;
    std::unordered_map<const fz_font*, FontInfo> fonts_;

    bool have_glyph_ = false;
    ReaderGlyph glyph_;
    fz_font* glyph_font_ = nullptr;
    char32_t pending_high_surrogate_ = 0;

    ReaderPath path_;
    fz_path* pending_path_ = nullptr;
    fz_matrix pending_ctm_{};

    fz_colorspace* last_cs_ = nullptr;
    float last_color_[FZ_MAX_COLORS] = {};
    float last_rgb_[3] = {};
    int last_n_ = -1;
};

[[nodiscard]] fz_device* new_collecting_device(fz_context* ctx, Collector& collector);

} // namespace quillstone::backend
