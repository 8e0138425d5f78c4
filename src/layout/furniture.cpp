#include "layout/furniture.hpp"

#include "text/lines.hpp"

#include <unicode/ustring.h>

#include <algorithm>

namespace quillstone::layout::furniture {

namespace {

using text::lines::Line;

constexpr float top_margin = 0.12f;
constexpr float bottom_margin = 0.88f;
constexpr std::size_t min_pages = 4;
constexpr std::uint32_t min_parity_pages = 2;

std::size_t index_of(Edge edge) { return edge == Edge::Top ? 0 : 1; }

// Pages of a parity: position 0, 2, 4... have parity 0.
std::size_t pages_of_parity(std::size_t pages, std::size_t parity) {
    return parity == 0 ? (pages + 1) / 2 : pages / 2;
}

// A signature counts for a parity when it is on half of that parity's pages, and on two at least.
std::uint32_t parity_bar(std::size_t pages) {
    return std::max(static_cast<std::uint32_t>((pages + 1) / 2), min_parity_pages);
}

void append_lowercase(std::string& out, char32_t c) {
    if (c >= U'A' && c <= U'Z') {
        out += static_cast<char>(c - U'A' + U'a');
        return;
    }
    if (c < 0xC0) {
        ir::append_utf8(out, c);
        return;
    }
    // Full lower-case mapping, which may give several characters (U+0130 gives i and a dot).
    UChar src[2];
    std::int32_t len = 0;
    if (c < 0x10000) {
        src[len++] = static_cast<UChar>(c);
    } else {
        src[len++] = static_cast<UChar>(0xD7C0 + (c >> 10));
        src[len++] = static_cast<UChar>(0xDC00 | (c & 0x3FF));
    }
    UChar lower[8];
    UErrorCode status = U_ZERO_ERROR;
    const std::int32_t n = u_strToLower(lower, 8, src, len, "", &status);
    UChar32 scalars[8];
    std::int32_t count = 0;
    if (U_SUCCESS(status)) u_strToUTF32(scalars, 8, &count, lower, n, &status);
    if (U_FAILURE(status)) {
        ir::append_utf8(out, c);
        return;
    }
    for (std::int32_t i = 0; i < count; ++i) ir::append_utf8(out, static_cast<char32_t>(scalars[i]));
}

std::uint32_t count_of(const Counts& counts, const std::string& key) {
    const auto it = counts.find(key);
    return it == counts.end() ? 0 : it->second;
}

} // namespace

std::optional<Edge> edge_of(float baseline, float height) {
    const float rel = baseline / height;
    if (rel <= top_margin) return Edge::Top;
    if (rel >= bottom_margin) return Edge::Bottom;
    return std::nullopt;
}

std::string signature(const Line& line) {
    std::string out;
    bool in_digits = false;
    for (const char32_t c : ir::decode_utf8(line.text())) {
        if (c >= U'0' && c <= U'9') {
            if (!in_digits) out += '#';
            in_digits = true;
            continue;
        }
        in_digits = false;
        if (text::lines::is_white_space(c)) continue;
        append_lowercase(out, c);
    }
    return out;
}

Tally tally(std::span<const std::vector<Line>> pages_lines, std::span<const float> page_heights) {
    Tally t;
    t.pages = pages_lines.size();
    const std::size_t n = std::min(pages_lines.size(), page_heights.size());
    for (std::size_t i = 0; i < n; ++i) {
        const float h = page_heights[i];
        if (!(h > 0)) continue;
        std::vector<std::pair<Edge, std::string>> pairs;
        for (const Line& line : pages_lines[i])
            if (const auto edge = edge_of(line.baseline, h)) pairs.emplace_back(*edge, signature(line));
        std::sort(pairs.begin(), pairs.end());
        pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
        for (const auto& [edge, sig] : pairs) ++t.by_parity[index_of(edge)][i % 2][sig];

        std::vector<std::string> sigs;
        for (auto& pair : pairs) sigs.push_back(std::move(pair.second));
        std::sort(sigs.begin(), sigs.end());
        sigs.erase(std::unique(sigs.begin(), sigs.end()), sigs.end());
        for (const auto& sig : sigs) ++t.any_edge[sig];
    }
    return t;
}

std::optional<std::vector<std::string>> alternates(const Tally& tally, Edge edge,
                                                   std::size_t parity) {
    const std::size_t pages = pages_of_parity(tally.pages, parity % 2);
    const Counts& counts = tally.by_parity[index_of(edge)][parity % 2];
    if (pages <= min_parity_pages || counts.empty()) return std::nullopt;
    const std::uint32_t bar = parity_bar(pages);
    std::vector<std::string> out;
    for (const auto& [sig, count] : counts)
        if (count >= bar) out.push_back(sig);
    std::sort(out.begin(), out.end());
    return out;
}

std::size_t strip(std::span<std::vector<Line>> pages_lines, std::span<const float> page_heights) {
    const std::size_t pages = pages_lines.size();
    if (pages < min_pages) return 0;
    const Tally t = tally(pages_lines, page_heights);
    const std::uint32_t half = static_cast<std::uint32_t>((pages + 1) / 2);

    // A margin alternates when odd and even pages each have recurring lines of their own (the
    // authors on one side, the title on the other); then each parity is judged by itself.
    std::array<bool, 2> alternating{};
    for (const Edge edge : {Edge::Top, Edge::Bottom}) {
        const auto even = alternates(t, edge, 0);
        const auto odd = alternates(t, edge, 1);
        if (!even || !odd || even->empty() || odd->empty()) continue;
        const bool even_extra = !std::includes(odd->begin(), odd->end(), even->begin(), even->end());
        const bool odd_extra = !std::includes(even->begin(), even->end(), odd->begin(), odd->end());
        alternating[index_of(edge)] = even_extra && odd_extra;
    }

    std::size_t removed = 0;
    const std::size_t n = std::min(pages, page_heights.size());
    for (std::size_t i = 0; i < n; ++i) {
        const float h = page_heights[i];
        if (!(h > 0)) continue;
        const std::size_t parity = i % 2;
        const std::uint32_t bar = parity_bar(pages_of_parity(pages, parity));
        const auto furniture = [&](const Line& line) {
            const auto edge = edge_of(line.baseline, h);
            if (!edge) return false;
            const std::string sig = signature(line);
            if (count_of(t.any_edge, sig) >= half) return true;
            return alternating[index_of(*edge)] &&
                   count_of(t.by_parity[index_of(*edge)][parity], sig) >= bar;
        };
        removed += static_cast<std::size_t>(std::erase_if(pages_lines[i], furniture));
    }
    return removed;
}

} // namespace quillstone::layout::furniture
