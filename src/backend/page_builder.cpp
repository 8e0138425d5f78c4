#include "backend/page_builder.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillstone::backend {

namespace {

constexpr float rule_max_thickness_pt = 3.0f;
constexpr float rule_min_aspect = 3.0f;
constexpr float min_line_width_pt = 0.1f;
constexpr float rect_tolerance = 0.01f;
constexpr float size_from_box = 0.7f;

bool printable(char32_t c) { return c >= 0x20 && !(c >= 0x7F && c <= 0x9F); }

bool near(ir::Point a, ir::Point b) {
    return std::fabs(a.x - b.x) <= rect_tolerance && std::fabs(a.y - b.y) <= rect_tolerance;
}

bool finite_rect(const ir::Rect& r) {
    return std::isfinite(r.x0) && std::isfinite(r.y0) && std::isfinite(r.x1) &&
           std::isfinite(r.y1);
}

// Clips to the page; false when nothing of positive area is left.
bool clip_to_page(ir::Rect& r, float width, float height) {
    r.x0 = std::max(r.x0, 0.0f);
    r.y0 = std::max(r.y0, 0.0f);
    r.x1 = std::min(r.x1, width);
    r.y1 = std::min(r.y1, height);
    return r.x1 > r.x0 && r.y1 > r.y0;
}

std::uint16_t flags_of(const ReaderFontStyle& s) {
    std::uint16_t f = 0;
    if (s.italic) f |= ir::glyph_flags::italic;
    if (s.serif) f |= ir::glyph_flags::serif;
    if (s.symbolic) f |= ir::glyph_flags::symbolic;
    if (s.fixed_pitch) f |= ir::glyph_flags::fixed_pitch;
    if (s.bold) f |= ir::glyph_flags::bold;
    return f;
}

ir::Rect bounds_of(std::span<const PathCommand> piece) {
    float x0 = std::numeric_limits<float>::infinity(), y0 = x0;
    float x1 = -x0, y1 = -x0;
    bool any = false;
    const auto add = [&](ir::Point p) {
        x0 = std::fmin(x0, p.x);
        y0 = std::fmin(y0, p.y);
        x1 = std::fmax(x1, p.x);
        y1 = std::fmax(y1, p.y);
        any = true;
    };
    for (const auto& c : piece) {
        switch (c.op) {
        case PathCommand::Op::MoveTo:
        case PathCommand::Op::LineTo:
            add(c.p[0]);
            break;
        case PathCommand::Op::CurveTo:
            add(c.p[0]);
            add(c.p[1]);
            add(c.p[2]);
            break;
        case PathCommand::Op::Close:
            break;
        }
    }
    if (!any) return {};
    return {x0, y0, x1, y1};
}

} // namespace

std::string expand_ligatures(const std::string& text) {
    const std::u32string chars = ir::decode_utf8(text);
    const bool has = std::any_of(chars.begin(), chars.end(),
                                 [](char32_t c) { return c >= 0xFB00 && c <= 0xFB06; });
    if (!has) return text;
    static constexpr const char* letters[] = {"ff", "fi", "fl", "ffi", "ffl", "st", "st"};
    std::string out;
    for (const char32_t c : chars) {
        if (c >= 0xFB00 && c <= 0xFB06)
            out += letters[c - 0xFB00];
        else
            ir::append_utf8(out, c);
    }
    return out;
}

bool is_rectangle(std::span<const PathCommand> commands) {
    ir::Point pts[5];
    std::size_t n = 0;
    bool first = true;
    for (const auto& c : commands) {
        switch (c.op) {
        case PathCommand::Op::MoveTo:
            if (!first && n > 0) return false;
            if (n == 5) return false;
            pts[n++] = c.p[0];
            break;
        case PathCommand::Op::LineTo:
            if (first) return false;
            if (n > 0 && near(c.p[0], pts[n - 1])) break;
            if (n == 5) return false;
            pts[n++] = c.p[0];
            break;
        case PathCommand::Op::CurveTo:
            return false;
        case PathCommand::Op::Close:
            if (first) return false;
            break;
        }
        first = false;
    }
    if (n < 2) return false;
    if (near(pts[n - 1], pts[0])) --n;
    if (n != 4) return false;
    for (std::size_t i = 0; i < 4; ++i) {
        const ir::Point p = pts[i], q = pts[(i + 1) % 4];
        if (!(std::fabs(p.x - q.x) <= rect_tolerance || std::fabs(p.y - q.y) <= rect_tolerance))
            return false;
    }
    return true;
}

PageBuilder::PageBuilder(std::uint64_t index, const PageMatrix& matrix, ir::FontTable& fonts)
    : m_(matrix), fonts_(fonts) {
    page_.index = index;
    page_.width = matrix.width;
    page_.height = matrix.height;
    page_.rotation = matrix.rotation;
}

void PageBuilder::glyph(const ReaderGlyph& g) {
    const std::u32string chars = ir::decode_utf8(g.text);
    if (std::none_of(chars.begin(), chars.end(), printable)) return;

    const std::string& name = g.base_name.empty() ? g.resource_name : g.base_name;
    if (!have_last_ || name != last_font_) {
        last_id_ = fonts_.intern(name);
        last_flags_ = flags_of(g.style);
        last_font_ = name;
        have_last_ = true;
    }

    ir::Glyph out;
    out.font = last_id_;
    out.flags = last_flags_;

    const ir::Point dir = m_.direction(std::cos(double{g.angle}), std::sin(double{g.angle}));
    out.angle = (dir.x == 0.0f && dir.y == 0.0f) ? 0.0f : std::atan2(dir.y, dir.x);
    out.bbox = m_.rect(g.box);
    out.text = page_.add_expansion(expand_ligatures(g.text));
    out.origin = m_.point(g.origin.x, g.origin.y);

    if (g.size > 0 && std::isfinite(g.size)) {
        out.size = g.size;
    } else {
        float degrees = std::fmod(out.angle * 57.29578f, 180.0f);
        if (degrees < 0) degrees += 180.0f;
        const float extent = std::fabs(degrees - 90.0f) < 45.0f ? out.bbox.width()
                                                                 : out.bbox.height();
        out.size = (extent > 0 && std::isfinite(extent)) ? extent / size_from_box : 1.0f;
    }
    out.color = ir::pack_rgba(g.rgba[0], g.rgba[1], g.rgba[2], g.rgba[3]);
    out.generated = g.synthesised;
    page_.glyphs.push_back(out);
}

void PageBuilder::path(const ReaderPath& p) {
    // A stroke-only path is cut into its sub-paths, so several rules drawn as one path stay
    // several rules; a filled path is one shape whatever its sub-paths.
    std::vector<std::span<const PathCommand>> pieces;
    const std::span<const PathCommand> all(p.commands);
    if (p.filled || !p.stroked) {
        pieces.push_back(all);
    } else {
        std::size_t start = 0;
        for (std::size_t i = 0; i <= all.size(); ++i) {
            const bool cut = i == all.size() || (all[i].op == PathCommand::Op::MoveTo && i > 0);
            if (!cut) continue;
            if (i > start) pieces.push_back(all.subspan(start, i - start));
            start = i;
        }
    }

    for (const auto piece : pieces) {
        ir::Rect user = bounds_of(piece);
        if (p.stroked) {
            const float width = std::isnan(p.line_width) ? min_line_width_pt
                                                         : std::max(p.line_width, min_line_width_pt);
            const float half = width / 2;
            user = {user.x0 - half, user.y0 - half, user.x1 + half, user.y1 + half};
        }
        ir::Rect box = m_.rect(user);
        if (!finite_rect(box)) continue;
        if (!clip_to_page(box, page_.width, page_.height)) continue;

        ir::PathItem item;
        item.bbox = box;
        const float w = box.width(), h = box.height();
        if (h <= rule_max_thickness_pt && w >= rule_min_aspect * h) {
            item.kind = ir::PathKind::HorizontalRule;
            item.thickness = h;
        } else if (w <= rule_max_thickness_pt && h >= rule_min_aspect * w) {
            item.kind = ir::PathKind::VerticalRule;
            item.thickness = w;
        } else {
            item.thickness = std::min(w, h);
            item.kind = (p.filled || p.stroked) && is_rectangle(piece) ? ir::PathKind::Box
                                                                       : ir::PathKind::Other;
        }
        const float* rgb = p.filled ? p.fill_rgb : (p.stroked ? p.stroke_rgb : nullptr);
        const float alpha = p.filled ? p.fill_alpha : p.stroke_alpha;
        item.color = rgb ? ir::pack_rgba(rgb[0], rgb[1], rgb[2], alpha)
                         : ir::pack_rgba(0, 0, 0, alpha);
        item.filled = p.filled;
        item.stroked = p.stroked;
        page_.paths.push_back(item);
    }
}

void PageBuilder::image(const ReaderImage& im) {
    const std::uint64_t index = images_seen_++;
    ir::Rect box = m_.rect(im.box);
    if (!finite_rect(box)) return;
    if (!clip_to_page(box, page_.width, page_.height)) return;
    page_.images.push_back(ir::ImageItem{box, index, im.pixel_width, im.pixel_height});
}

ir::PageRaw PageBuilder::finish() && { return std::move(page_); }

} // namespace quillstone::backend
