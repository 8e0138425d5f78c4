#include "backend/pdf_device.hpp"

#include <cmath>
#include <cstring>

namespace quillstone::backend {

namespace {

constexpr int fd_fixed_pitch = 1 << 0;
constexpr int fd_serif = 1 << 1;
constexpr int fd_symbolic = 1 << 2;
constexpr int fd_italic = 1 << 6;
constexpr int fd_force_bold = 1 << 18;

// fz_new_derived_device callocs this, so it holds only plain data.
struct CollectingDevice {
    fz_device super;
    Collector* collector;
};

Collector& collector_of(fz_device* dev) {
    return *reinterpret_cast<CollectingDevice*>(dev)->collector;
}

void check_time(fz_context* ctx, Collector& c) {
    if (c.budget().expired()) fz_throw(ctx, FZ_ERROR_ABORT, "time limit reached");
}

// A glyph with no ink (a space) gets a box along its advance on the baseline.
fz_rect ink_box(fz_context* ctx, fz_font* font, int gid, int wmode, fz_matrix trm) {
    fz_rect ink = fz_bound_glyph(ctx, font, gid, trm);
    if (!fz_is_empty_rect(ink) && std::isfinite(ink.x0) && std::isfinite(ink.x1)) return ink;
    const float adv = fz_advance_glyph(ctx, font, gid, wmode);
    const fz_point o = fz_make_point(trm.e, trm.f);
    const fz_point end = fz_transform_point(fz_make_point(wmode ? 0 : adv, wmode ? -adv : 0), trm);
    return fz_make_rect(o.x, o.y, end.x, end.y);
}

void collect_text(fz_context* ctx, Collector& c, const fz_text* text, fz_matrix ctm,
                  const float rgba[4]) {
    for (const fz_text_span* span = text->head; span; span = span->next) {
        for (int i = 0; i < span->len; ++i) {
            const fz_text_item& it = span->items[i];
            fz_matrix tm = span->trm;
            tm.e = it.x;
            tm.f = it.y;
            const fz_matrix trm = fz_concat(tm, ctm);
            Collector::Item item{span->font, trm, it.gid, it.ucs, fz_empty_rect,
                                 {rgba[0], rgba[1], rgba[2], rgba[3]}};
            if (it.gid >= 0) item.ink = ink_box(ctx, span->font, it.gid, span->wmode, trm);
            c.item(item);
        }
    }
    c.end_text();
}

// Returns false for a text object already collected (fill+stroke, fill+clip of the same run).
bool first_sight(fz_context* ctx, Collector& c, const fz_text* text) {
    if (text == c.last_text) return false;
    fz_drop_text(ctx, c.kept_text);
    c.kept_text = fz_keep_text(ctx, text);
    c.last_text = text;
    return true;
}

void text_with_colour(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm,
                      fz_colorspace* cs, const float* color, float alpha,
                      fz_color_params params) {
    Collector& c = collector_of(dev);
    check_time(ctx, c);
    c.flush();
    if (!first_sight(ctx, c, text)) return;
    float rgba[4] = {0, 0, 0, alpha};
    c.to_rgb(cs, color, params, rgba);
    collect_text(ctx, c, text, ctm, rgba);
}

void fill_text(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm,
               fz_colorspace* cs, const float* color, float alpha, fz_color_params params) {
    text_with_colour(ctx, dev, text, ctm, cs, color, alpha, params);
}

void stroke_text(fz_context* ctx, fz_device* dev, const fz_text* text, const fz_stroke_state*,
                 fz_matrix ctm, fz_colorspace* cs, const float* color, float alpha,
                 fz_color_params params) {
    text_with_colour(ctx, dev, text, ctm, cs, color, alpha, params);
}

// Clipping and invisible text is still text the page carries; it has no colour of its own.
void colourless_text(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm) {
    Collector& c = collector_of(dev);
    check_time(ctx, c);
    c.flush();
    if (!first_sight(ctx, c, text)) return;
    const float rgba[4] = {0, 0, 0, 0};
    collect_text(ctx, c, text, ctm, rgba);
}

void clip_text(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm, fz_rect) {
    colourless_text(ctx, dev, text, ctm);
}

void clip_stroke_text(fz_context* ctx, fz_device* dev, const fz_text* text,
                      const fz_stroke_state*, fz_matrix ctm, fz_rect) {
    colourless_text(ctx, dev, text, ctm);
}

void ignore_text(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm) {
    colourless_text(ctx, dev, text, ctm);
}

struct WalkState {
    Collector* c;
    fz_matrix ctm;
};

void walk_move(fz_context*, void* arg, float x, float y) {
    auto* s = static_cast<WalkState*>(arg);
    const fz_point p = fz_transform_point_xy(x, y, s->ctm);
    s->c->command(PathCommand::Op::MoveTo, &p);
}

void walk_line(fz_context*, void* arg, float x, float y) {
    auto* s = static_cast<WalkState*>(arg);
    const fz_point p = fz_transform_point_xy(x, y, s->ctm);
    s->c->command(PathCommand::Op::LineTo, &p);
}

void walk_curve(fz_context*, void* arg, float x1, float y1, float x2, float y2, float x3,
                float y3) {
    auto* s = static_cast<WalkState*>(arg);
    const fz_point p[3] = {fz_transform_point_xy(x1, y1, s->ctm),
                           fz_transform_point_xy(x2, y2, s->ctm),
                           fz_transform_point_xy(x3, y3, s->ctm)};
    s->c->command(PathCommand::Op::CurveTo, p);
}

void walk_close(fz_context*, void* arg) {
    static_cast<WalkState*>(arg)->c->command(PathCommand::Op::Close, nullptr);
}

void walk(fz_context* ctx, Collector& c, const fz_path* path, fz_matrix ctm) {
    // Quads, v/y curves and rectangles are simulated by MuPDF through these four.
    static const fz_path_walker walker = {walk_move, walk_line,  walk_curve, walk_close,
                                          nullptr,   nullptr,    nullptr,    nullptr};
    WalkState state{&c, ctm};
    fz_walk_path(ctx, path, &walker, &state);
}

void fill_path(fz_context* ctx, fz_device* dev, const fz_path* path, int, fz_matrix ctm,
               fz_colorspace* cs, const float* color, float alpha, fz_color_params params) {
    Collector& c = collector_of(dev);
    check_time(ctx, c);
    c.flush();
    float rgb[3] = {0, 0, 0};
    c.to_rgb(cs, color, params, rgb);
    c.begin_path(true, false, rgb, alpha, nullptr, 1, 0);
    walk(ctx, c, path, ctm);
    // Held back: a `B` operator strokes the same path next, and that is one item, not two.
    c.hold_fill(fz_keep_path(ctx, path), ctm);
}

void stroke_path(fz_context* ctx, fz_device* dev, const fz_path* path,
                 const fz_stroke_state* stroke, fz_matrix ctm, fz_colorspace* cs,
                 const float* color, float alpha, fz_color_params params) {
    Collector& c = collector_of(dev);
    check_time(ctx, c);
    float rgb[3] = {0, 0, 0};
    c.to_rgb(cs, color, params, rgb);
    const float width = (stroke ? stroke->linewidth : 1.0f) * fz_matrix_expansion(ctm);
    if (c.pending_fill_is(path, ctm)) {
        c.stroke_pending(rgb, alpha, width);
        c.flush();
        return;
    }
    c.flush();
    c.begin_path(false, true, nullptr, 1, rgb, alpha, width);
    walk(ctx, c, path, ctm);
    c.end_path();
}

void fill_image(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm, float,
                fz_color_params) {
    Collector& c = collector_of(dev);
    check_time(ctx, c);
    c.flush();
    c.image(fz_transform_rect(fz_unit_rect, ctm), image->w, image->h);
}

void fill_image_mask(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm,
                     fz_colorspace*, const float*, float alpha, fz_color_params params) {
    fill_image(ctx, dev, image, ctm, alpha, params);
}

void close_device(fz_context*, fz_device* dev) { collector_of(dev).flush(); }

} // namespace

Collector::Collector(fz_context* ctx, PageBuilder& builder, Budget& budget)
    : ctx_(ctx), builder_(builder), budget_(budget) {}

Collector::~Collector() { finish(); }

void Collector::learn_fonts(pdf_page* page) noexcept {
    if (!page) return;
    pdf_obj* fonts = nullptr;
    int count = 0;
    fz_context* ctx = ctx_;
    auto found = guarded(ctx, [&] {
        fonts = pdf_dict_get(ctx, pdf_page_resources(ctx, page), PDF_NAME(Font));
        count = pdf_dict_len(ctx, fonts);
    });
    if (found || count <= 0) return;
    for (int i = 0; i < count; ++i) {
        pdf_font_desc* desc = nullptr;
        const char* base = nullptr;
        const char* resource = nullptr;
        fz_var(desc);
        const auto failure = guarded(ctx, [&] {
            pdf_obj* dict = pdf_dict_get_val(ctx, fonts, i);
            resource = pdf_to_name(ctx, pdf_dict_get_key(ctx, fonts, i));
            base = pdf_to_name(ctx, pdf_dict_get(ctx, dict, PDF_NAME(BaseFont)));
            // Loading goes through MuPDF's resource store, so the interpreter will find this
            // same font object when it runs the page.
            desc = pdf_load_font(ctx, page->doc, pdf_page_resources(ctx, page), dict);
        });
        if (!failure && desc && desc->font) {
            try {
                FontInfo& info = fonts_[desc->font];
                info.base_name = base ? base : "";
                info.resource_name = resource ? resource : "";
                info.descriptor_flags = desc->flags;
                info.known = true;
            } catch (...) {
                failure_ = std::current_exception();
            }
        }
        pdf_drop_font(ctx, desc);
    }
}

const Collector::FontInfo& Collector::font_info(fz_font* font) {
    auto [it, inserted] = fonts_.try_emplace(font);
    if (inserted) {
        // A font from a form XObject or Type 3 glyph: MuPDF's own name is all there is.
        it->second.base_name = font ? fz_font_name(ctx_, font) : "";
    }
    return it->second;
}

void Collector::emit_pending_glyph() {
    if (!have_glyph_) return;
    have_glyph_ = false;
    if (pending_high_surrogate_) {
        ir::append_utf8(glyph_.text, U'\uFFFD');
        pending_high_surrogate_ = 0;
    }
    builder_.glyph(glyph_);
}

void Collector::item(const Item& it) noexcept {
    try {
        if (it.gid < 0 && have_glyph_) {
            // The extra characters of a one-to-many mapping belong to the glyph before them.
            append_reader_char(it.ucs);
            return;
        }
        emit_pending_glyph();
        glyph_.text.clear();
        pending_high_surrogate_ = 0;
        append_reader_char(it.ucs);

        if (it.font != glyph_font_ || glyph_font_ == nullptr) {
            const FontInfo& info = font_info(it.font);
            const int df = info.known ? info.descriptor_flags : 0;
            glyph_.base_name = info.base_name;
            glyph_.resource_name = info.resource_name;
            ReaderFontStyle& s = glyph_.style;
            s.italic = (df & fd_italic) || (it.font && fz_font_is_italic(ctx_, it.font));
            s.bold = (df & fd_force_bold) || (it.font && fz_font_is_bold(ctx_, it.font));
            s.serif = (df & fd_serif) || (it.font && fz_font_is_serif(ctx_, it.font));
            s.fixed_pitch = (df & fd_fixed_pitch) || (it.font && fz_font_is_monospaced(ctx_, it.font));
            s.symbolic = (df & fd_symbolic) != 0;
            glyph_font_ = it.font;
        }
        glyph_.origin = {it.trm.e, it.trm.f};
        if (fz_is_empty_rect(it.ink) || !std::isfinite(it.ink.x0) || !std::isfinite(it.ink.y1))
            glyph_.box = {it.trm.e, it.trm.f, it.trm.e, it.trm.f};
        else
            glyph_.box = {it.ink.x0, it.ink.y0, it.ink.x1, it.ink.y1};
        glyph_.size = fz_matrix_expansion(it.trm);
        glyph_.angle = std::atan2(it.trm.b, it.trm.a);
        for (int k = 0; k < 4; ++k) glyph_.rgba[k] = it.rgba[k];
        // MuPDF's device interface never invents glyphs; inferred spaces are a text-extraction
        // feature this collector does not use.
        glyph_.synthesised = false;
        have_glyph_ = true;
    } catch (...) {
        failure_ = std::current_exception();
    }
}

void Collector::append_reader_char(int ucs) {
    // Some ToUnicode maps spell a character outside the BMP as a UTF-16 surrogate pair, which
    // arrives here as two values; UTF-8 has no place for either half on its own.
    const auto c = static_cast<char32_t>(ucs);
    if (ucs <= 0 || c > 0x10FFFF) return;
    if (c >= 0xD800 && c <= 0xDBFF) {
        if (pending_high_surrogate_) ir::append_utf8(glyph_.text, U'\uFFFD');
        pending_high_surrogate_ = c;
        return;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) {
        if (pending_high_surrogate_) {
            ir::append_utf8(glyph_.text,
                            0x10000 + ((pending_high_surrogate_ - 0xD800) << 10) + (c - 0xDC00));
            pending_high_surrogate_ = 0;
        } else {
            ir::append_utf8(glyph_.text, U'\uFFFD');
        }
        return;
    }
    if (pending_high_surrogate_) {
        ir::append_utf8(glyph_.text, U'\uFFFD');
        pending_high_surrogate_ = 0;
    }
    ir::append_utf8(glyph_.text, c);
}

void Collector::end_text() noexcept {
    try {
        emit_pending_glyph();
    } catch (...) {
        failure_ = std::current_exception();
    }
}

void Collector::begin_path(bool filled, bool stroked, const float* fill_rgb, float fill_alpha,
                           const float* stroke_rgb, float stroke_alpha,
                           float line_width) noexcept {
    path_.commands.clear();
    path_.filled = filled;
    path_.stroked = stroked;
    for (int k = 0; k < 3; ++k) {
        path_.fill_rgb[k] = fill_rgb ? fill_rgb[k] : 0;
        path_.stroke_rgb[k] = stroke_rgb ? stroke_rgb[k] : 0;
    }
    path_.fill_alpha = fill_alpha;
    path_.stroke_alpha = stroke_alpha;
    path_.line_width = line_width;
}

void Collector::command(PathCommand::Op op, const fz_point* pts) noexcept {
    try {
        PathCommand cmd;
        cmd.op = op;
        const int n = op == PathCommand::Op::CurveTo ? 3 : (op == PathCommand::Op::Close ? 0 : 1);
        for (int k = 0; k < n; ++k) cmd.p[k] = {pts[k].x, pts[k].y};
        path_.commands.push_back(cmd);
    } catch (...) {
        failure_ = std::current_exception();
    }
}

void Collector::end_path() noexcept {
    try {
        builder_.path(path_);
    } catch (...) {
        failure_ = std::current_exception();
    }
}

bool Collector::pending_fill_is(const fz_path* path, fz_matrix ctm) const noexcept {
    return pending_path_ && pending_path_ == path && std::memcmp(&ctm, &pending_ctm_, sizeof ctm) == 0;
}

void Collector::hold_fill(fz_path* kept, fz_matrix ctm) noexcept {
    pending_path_ = kept;
    pending_ctm_ = ctm;
}

void Collector::stroke_pending(const float* rgb, float alpha, float line_width) noexcept {
    path_.stroked = true;
    for (int k = 0; k < 3; ++k) path_.stroke_rgb[k] = rgb[k];
    path_.stroke_alpha = alpha;
    path_.line_width = line_width;
}

void Collector::flush() noexcept {
    if (!pending_path_) return;
    fz_drop_path(ctx_, pending_path_);
    pending_path_ = nullptr;
    end_path();
}

void Collector::image(fz_rect box, int w, int h) noexcept {
    try {
        builder_.image(ReaderImage{{box.x0, box.y0, box.x1, box.y1},
                                   static_cast<std::uint32_t>(std::max(w, 0)),
                                   static_cast<std::uint32_t>(std::max(h, 0))});
    } catch (...) {
        failure_ = std::current_exception();
    }
}

void Collector::finish() noexcept {
    if (pending_path_) {
        fz_drop_path(ctx_, pending_path_);
        pending_path_ = nullptr;
    }
    fz_drop_text(ctx_, kept_text);
    kept_text = nullptr;
    last_text = nullptr;
}

bool Collector::to_rgb(fz_colorspace* cs, const float* color, fz_color_params params,
                       float rgb[3]) noexcept {
    if (!cs || !color) {
        rgb[0] = rgb[1] = rgb[2] = 0;
        return false;
    }
    const int n = fz_colorspace_n(ctx_, cs);
    if (cs == last_cs_ && n == last_n_ && std::memcmp(color, last_color_, sizeof(float) * static_cast<std::size_t>(n)) == 0) {
        for (int k = 0; k < 3; ++k) rgb[k] = last_rgb_[k];
        return true;
    }
    float out[3] = {0, 0, 0};
    const auto failure = guarded(ctx_, [&] {
        fz_convert_color(ctx_, cs, color, fz_device_rgb(ctx_), out, nullptr, params);
    });
    if (failure) {
        rgb[0] = rgb[1] = rgb[2] = 0;
        return false;
    }
    for (int k = 0; k < 3; ++k) rgb[k] = last_rgb_[k] = out[k];
    last_cs_ = cs;
    last_n_ = n;
    for (int k = 0; k < n && k < FZ_MAX_COLORS; ++k) last_color_[k] = color[k];
    return true;
}

fz_device* new_collecting_device(fz_context* ctx, Collector& collector) {
    auto* dev = fz_new_derived_device(ctx, CollectingDevice);
    dev->collector = &collector;
    dev->super.close_device = close_device;
    dev->super.fill_text = fill_text;
    dev->super.stroke_text = stroke_text;
    dev->super.clip_text = clip_text;
    dev->super.clip_stroke_text = clip_stroke_text;
    dev->super.ignore_text = ignore_text;
    dev->super.fill_path = fill_path;
    dev->super.stroke_path = stroke_path;
    dev->super.fill_image = fill_image;
    dev->super.fill_image_mask = fill_image_mask;
    return &dev->super;
}

} // namespace quillstone::backend
