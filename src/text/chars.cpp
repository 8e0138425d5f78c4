#include "text/chars.hpp"

#include <cstdint>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace quillstone::text::chars {


bool is_white_space(char32_t c) {
    return u_isUWhiteSpace(static_cast<UChar32>(c)) != 0;
}
bool is_alphabetic(char32_t c) {
    return u_isUAlphabetic(static_cast<UChar32>(c)) != 0;
}
bool is_uppercase(char32_t c) {
    return u_isUUppercase(static_cast<UChar32>(c)) != 0;
}
bool is_numeric(char32_t c) {
    const auto category = static_cast<std::int32_t>(u_charType(static_cast<UChar32>(c)));
    return category == U_DECIMAL_DIGIT_NUMBER || category == U_LETTER_NUMBER ||
           category == U_OTHER_NUMBER;
}

std::string to_lower(std::string_view text) {
    bool ascii = true;
    for (const char c : text)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        // Most words are ASCII; lower-casing them needs no round trip through UTF-16.
        std::string out(text);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return out;
    }
    icu::UnicodeString s = icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())));
    s.toLower(icu::Locale::getRoot());
    std::string out;
    s.toUTF8String(out);
    return out;
}

std::size_t char_count(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += decode_at(text, pos).length)
        ++n;
    return n;
}

std::string_view trim_start(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const Decoded d = decode_at(text, pos);
        if (!is_white_space(d.ch))
            break;
        pos += d.length;
    }
    return text.substr(pos);
}

std::string_view trim_end(std::string_view text) {
    std::size_t end = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const Decoded d = decode_at(text, pos);
        pos += d.length;
        if (!is_white_space(d.ch))
            end = pos;
    }
    return text.substr(0, end);
}

std::string_view trim(std::string_view text) {
    return trim_end(trim_start(text));
}

std::size_t word_count(std::string_view text) {
    std::size_t count = 0;
    bool in_word = false;
    for (std::size_t pos = 0; pos < text.size();) {
        const Decoded d = decode_at(text, pos);
        const bool space = is_white_space(d.ch);
        if (!space && !in_word)
            ++count;
        in_word = !space;
        pos += d.length;
    }
    return count;
}

} // namespace quillstone::text::chars
