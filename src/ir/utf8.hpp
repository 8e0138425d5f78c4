#pragma once
// UTF-8 encoding and decoding shared by every layer. Decoding never fails: damaged bytes read as
// U+FFFD, so a walk over any text always advances; encoding never writes a value UTF-8 cannot
// hold.

#include <cstddef>
#include <string>
#include <string_view>

namespace quillstone::ir {

// One scalar value decoded from UTF-8 and the number of bytes it took.
struct Decoded {
    char32_t ch = 0;
    std::size_t length = 0;
    bool operator==(const Decoded&) const = default;
};

// Decodes the scalar value starting at byte `pos`. An invalid or truncated sequence reads as
// U+FFFD of length 1. `pos` past the end gives {0, 0}.
[[nodiscard]] Decoded decode_at(std::string_view text, std::size_t pos);

// Decodes UTF-8 into scalar values; invalid bytes become U+FFFD.
[[nodiscard]] std::u32string decode_utf8(std::string_view text);

// Appends the UTF-8 encoding of a scalar value; surrogates and values past U+10FFFF, which have
// none, are written as U+FFFD.
void append_utf8(std::string& out, char32_t c);

} // namespace quillstone::ir
