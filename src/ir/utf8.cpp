#include "ir/utf8.hpp"

namespace quillstone::ir {

Decoded decode_at(std::string_view text, std::size_t pos) {
    if (pos >= text.size())
        return {};
    const auto b0 = static_cast<unsigned char>(text[pos]);
    std::size_t len = 0;
    char32_t cp = 0;
    if (b0 < 0x80) {
        return {b0, 1};
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
    constexpr Decoded invalid{U'\uFFFD', 1};
    if (len == 0 || pos + len > text.size())
        return invalid;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(text[pos + k]);
        if ((b & 0xC0) != 0x80)
            return invalid;
        cp = (cp << 6) | (b & 0x3Fu);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not scalar values.
    if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
        cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return invalid;
    return {cp, len};
}

std::u32string decode_utf8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Decoded d = decode_at(text, pos);
        out += d.ch;
        pos += d.length;
    }
    return out;
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

} // namespace quillstone::ir
