#pragma once
// The page primitives: what the PDF reader saw on each page before any interpretation. The page
// source produces them; every later stage reads them and never writes them.

#include "ir/geometry.hpp"
#include "ir/utf8.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillstone::ir {

using FontId = std::uint32_t;

// The document's font names, interned: a name's id is its position and never changes.
struct FontTable {
    std::vector<std::string> names;
    std::unordered_map<std::string, FontId> lookup;

    FontId intern(std::string_view name);
    bool operator==(const FontTable& other) const { return names == other.names; }
};

// A colour packed as 0xAARRGGBB.
using Rgba = std::uint32_t;

// Packs components in 0..1 (clamped; a NaN counts as 0) into an Rgba.
[[nodiscard]] Rgba pack_rgba(float r, float g, float b, float a);

// The text a glyph reads as: one character, or an index into its page's expansions for anything
// that is not exactly one character (expanded ligatures, multi-character mappings, empty text).
struct GlyphText {
    enum class Kind : std::uint8_t { Char, Expanded };
    Kind kind = Kind::Char;
    char32_t ch = 0;          // Char
    std::uint32_t index = 0;  // Expanded

    static GlyphText character(char32_t c) { return {Kind::Char, c, 0}; }
    static GlyphText expanded(std::uint32_t i) { return {Kind::Expanded, 0, i}; }
    bool operator==(const GlyphText&) const = default;
};

namespace glyph_flags {
inline constexpr std::uint16_t italic = 0x001;
inline constexpr std::uint16_t serif = 0x002;
inline constexpr std::uint16_t symbolic = 0x008;
inline constexpr std::uint16_t fixed_pitch = 0x010;
inline constexpr std::uint16_t bold = 0x100;
} // namespace glyph_flags

struct Point {
    float x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

struct Glyph {
    GlyphText text;
    Rect bbox;
    Point origin;
    FontId font = 0;
    float size = 1.0f;
    float angle = 0.0f;
    std::uint16_t flags = 0;
    Rgba color = 0xFF000000u;
    bool generated = false;
    bool operator==(const Glyph&) const = default;
};

enum class PathKind : std::uint8_t { HorizontalRule, VerticalRule, Box, Other };

[[nodiscard]] std::string_view path_kind_name(PathKind kind);

struct PathItem {
    Rect bbox;
    PathKind kind = PathKind::Other;
    float thickness = 0.0f;
    Rgba color = 0xFF000000u;
    bool filled = false;
    bool stroked = false;
    bool operator==(const PathItem&) const = default;
};

struct ImageItem {
    Rect bbox;
    std::uint64_t object_index = 0;
    std::uint32_t pixel_width = 0;
    std::uint32_t pixel_height = 0;
    bool operator==(const ImageItem&) const = default;
};

struct PageRaw {
    std::uint64_t index = 0;
    float width = 0.0f;
    float height = 0.0f;
    std::int32_t rotation = 0;
    std::vector<Glyph> glyphs;
    std::vector<PathItem> paths;
    std::vector<ImageItem> images;
    std::vector<std::string> expansions;

    // A one-character text becomes Char and leaves the page alone; anything else is appended
    // to the expansions.
    GlyphText add_expansion(std::string_view text);
    bool operator==(const PageRaw&) const = default;
};

struct DocRaw {
    FontTable fonts;
    std::vector<PageRaw> pages;
    bool operator==(const DocRaw&) const = default;
};

// The UTF-8 text of a glyph on its page; nothing for an expansion index out of range.
[[nodiscard]] std::optional<std::string> glyph_text(const PageRaw& page, const Glyph& glyph);

} // namespace quillstone::ir
