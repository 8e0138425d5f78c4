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

void append_utf8(std::string& out, char32_t c) {
    // Surrogates and values past U+10FFFF have no UTF-8 form; writing them would make the
    // output invalid for every consumer downstream.
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = U'\uFFFD';
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::u32string decode_utf8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        std::size_t len = 0;
        char32_t cp = 0;
        if (b0 < 0x80) {
            len = 1;
            cp = b0;
        } else if ((b0 & 0xE0) == 0xC0) {
            len = 2;
            cp = b0 & 0x1Fu;
        } else if ((b0 & 0xF0) == 0xE0) {
            len = 3;
            cp = b0 & 0x0Fu;
        } else if ((b0 & 0xF8) == 0xF0) {
            len = 4;
            cp = b0 & 0x07u;
        }
        bool valid = len > 0 && i + len <= text.size();
        for (std::size_t k = 1; valid && k < len; ++k) {
            const auto b = static_cast<unsigned char>(text[i + k]);
            if ((b & 0xC0) != 0x80) valid = false;
            cp = (cp << 6) | (b & 0x3Fu);
        }
        // Reject overlong forms, surrogates and values past U+10FFFF.
        if (valid && ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) ||
                      (len == 4 && cp < 0x10000) || cp > 0x10FFFF ||
                      (cp >= 0xD800 && cp <= 0xDFFF)))
            valid = false;
        if (!valid) {
            out += U'\uFFFD';
            ++i;
            continue;
        }
        out += cp;
        i += len;
    }
    return out;
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
