#include "ir/page.hpp"

#include <cmath>

namespace quillstone::ir {

FontId FontTable::intern(std::string_view name) {
    const std::string key(name);
    if (auto it = lookup.find(key); it != lookup.end()) return it->second;
    const auto id = static_cast<FontId>(names.size());
    names.push_back(key);
    lookup.emplace(key, id);
    return id;
}

namespace {

std::uint32_t channel(float component) {
    if (std::isnan(component)) return 0;
    const float clamped = std::clamp(component, 0.0f, 1.0f);
    // std::round rounds half away from zero, which is the rule wanted here.
    const float scaled = std::round(clamped * 255.0f);
    return std::min(static_cast<std::uint32_t>(scaled), 255u);
}

} // namespace

Rgba pack_rgba(float r, float g, float b, float a) {
    return (channel(a) << 24) | (channel(r) << 16) | (channel(g) << 8) | channel(b);
}

std::string_view path_kind_name(PathKind kind) {
    switch (kind) {
    case PathKind::HorizontalRule:
        return "HorizontalRule";
    case PathKind::VerticalRule:
        return "VerticalRule";
    case PathKind::Box:
        return "Box";
    case PathKind::Other:
        return "Other";
    }
    return "Other";
}

GlyphText PageRaw::add_expansion(std::string_view text) {
    const std::u32string chars = decode_utf8(text);
    if (chars.size() == 1) return GlyphText::character(chars.front());
    expansions.emplace_back(text);
    return GlyphText::expanded(static_cast<std::uint32_t>(expansions.size() - 1));
}

std::optional<std::string> glyph_text(const PageRaw& page, const Glyph& glyph) {
    if (glyph.text.kind == GlyphText::Kind::Char) {
        std::string out;
        append_utf8(out, glyph.text.ch);
        return out;
    }
    if (glyph.text.index >= page.expansions.size()) return std::nullopt;
    return page.expansions[glyph.text.index];
}

} // namespace quillstone::ir
