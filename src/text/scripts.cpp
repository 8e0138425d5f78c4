#include "text/scripts.hpp"

#include <unicode/uchar.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>

namespace quillstone::text::scripts {

namespace {

using lines::Line;
using lines::Placed;

// A script is set clearly smaller than its host.
constexpr float script_size_ratio = 0.85f;
// It must overlap the host's band by a quarter of its own height...
constexpr float min_vertical_overlap = 0.25f;
// ...and sit on the host or within one and a half host sizes beside it.
constexpr float max_horizontal_gap = 1.5f;
// A long run of small text is a line of its own (a footnote, a caption) unless its baseline is
// close to the host's; short runs (marks, indices, exponents) may sit further off.
constexpr std::size_t long_script_glyphs = 20;
constexpr float long_script_baseline_ratio = 0.6f;

// A drop capital spans at least two lines of its paragraph and at most about six.
constexpr float capital_min_ratio = 1.8f;
constexpr float capital_max_ratio = 6.0f;
// Slack, in units of the paragraph size, for the text that follows the capital.
constexpr float capital_overlap = 0.25f;
constexpr float capital_reach = 2.0f;
constexpr float same_size_pt = 0.5f;

bool capital_letter(char32_t c) {
    if (c >= U'A' && c <= U'Z') return true;
    const auto u = static_cast<UChar32>(c);
    return u_hasBinaryProperty(u, UCHAR_ALPHABETIC) && u_hasBinaryProperty(u, UCHAR_UPPERCASE);
}

// The host for line i, or nothing: the closest baseline among the larger lines it overlaps.
std::optional<std::size_t> find_host(const std::vector<Line>& lines,
                                     const std::vector<bool>& absorbed, std::size_t i) {
    const Line& s = lines[i];
    const float h = s.bbox.y1 - s.bbox.y0;
    std::optional<std::size_t> host;
    float best = 0;
    for (std::size_t j = 0; j < lines.size(); ++j) {
        if (j == i || absorbed[j] || lines[j].placed.empty()) continue;
        const Line& t = lines[j];
        if (!(s.size <= script_size_ratio * t.size)) continue;
        const float v_overlap = std::min(s.bbox.y1, t.bbox.y1) - std::max(s.bbox.y0, t.bbox.y0);
        if (!(v_overlap >= min_vertical_overlap * h)) continue;
        const float h_overlap = std::min(s.bbox.x1, t.bbox.x1) - std::max(s.bbox.x0, t.bbox.x0);
        if (!(h_overlap > -max_horizontal_gap * t.size)) continue;
        const float distance = std::abs(t.baseline - s.baseline);
        if (s.placed.size() >= long_script_glyphs &&
            !(distance <= long_script_baseline_ratio * t.size))
            continue;
        // A long run that only sits beside the host, without overlapping it, is the next
        // column's text (a body line level with a heading across the gutter), not a script of
        // it: absorbing it would interleave two lines' letters.
        if (s.placed.size() >= long_script_glyphs && !(h_overlap > 0)) continue;
        if (!host || ir::total_less(distance, best)) {
            host = j;
            best = distance;
        }
    }
    return host;
}

} // namespace

void absorb_scripts(const ir::PageRaw& page, std::vector<Line>& lines) {
    std::vector<std::size_t> visit(lines.size());
    std::iota(visit.begin(), visit.end(), std::size_t{0});
    std::stable_sort(visit.begin(), visit.end(), [&](std::size_t a, std::size_t b) {
        return ir::total_less(lines[b].size, lines[a].size);
    });

    std::vector<bool> absorbed(lines.size(), false);
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (const std::size_t i : visit) {
        if (absorbed[i]) continue;
        if (!(lines[i].bbox.y1 - lines[i].bbox.y0 > 0)) continue;
        if (const auto host = find_host(lines, absorbed, i)) {
            absorbed[i] = true;
            pairs.emplace_back(i, *host);
        }
    }

    for (const auto& [from, to] : pairs) {
        // The host's baseline from clustering decides the side, before any glyph joins it.
        const float baseline = lines[to].baseline;
        std::vector<Placed> moved = std::move(lines[from].placed);
        lines[from].placed.clear();
        for (Placed p : moved) {
            p.script = page.glyphs[p.glyph].origin.y < baseline ? lines::script::superscript
                                                                : lines::script::subscript;
            lines[to].placed.push_back(p);
        }
    }
    std::erase_if(lines, [](const Line& l) { return l.placed.empty(); });
}

std::vector<Move> reunite_drop_capitals(const ir::PageRaw& page, const std::vector<Line>& lines) {
    std::vector<Move> moves;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (line.placed.size() < 2) continue;
        const ir::Glyph& cap = page.glyphs[line.placed.front().glyph];
        if (cap.text.kind != ir::GlyphText::Kind::Char || !capital_letter(cap.text.ch)) continue;

        const float s = line.size;
        if (!(s > 0) || !(capital_min_ratio * s <= cap.size && cap.size <= capital_max_ratio * s))
            continue;
        bool single_outsized = true;
        float rest_x0 = std::numeric_limits<float>::infinity();
        for (std::size_t k = 1; k < line.placed.size(); ++k) {
            const ir::Glyph& g = page.glyphs[line.placed[k].glyph];
            if (!(g.size <= capital_min_ratio * s)) single_outsized = false;
            rest_x0 = std::fmin(rest_x0, g.bbox.x0);
        }
        if (!single_outsized || !(rest_x0 >= cap.bbox.x1 - capital_overlap * s)) continue;

        std::optional<std::size_t> target;
        for (std::size_t j = 0; j < lines.size(); ++j) {
            const Line& t = lines[j];
            if (j == i || t.placed.empty()) continue;
            if (!(std::abs(t.size - s) <= same_size_pt)) continue;
            if (!(t.baseline < line.baseline && t.baseline > cap.bbox.y0)) continue;
            if (!(cap.bbox.x1 - capital_overlap * s <= t.bbox.x0 &&
                  t.bbox.x0 <= cap.bbox.x1 + capital_reach * s))
                continue;
            if (!target || ir::total_less(t.baseline, lines[*target].baseline)) target = j;
        }
        if (target)
            moves.push_back(Move{static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(*target)});
    }
    return moves;
}

void apply_drop_capital(const ir::PageRaw& page, std::vector<Line>& lines, Move move) {
    if (move.source == move.target || move.source >= lines.size() || move.target >= lines.size())
        return;
    Line& source = lines[move.source];
    Line& target = lines[move.target];
    if (source.placed.size() <= 1) return;
    const Placed cap{source.placed.front().glyph, lines::script::none, false};
    source.placed.erase(source.placed.begin());
    target.placed.insert(target.placed.begin(), cap);
    lines::recompute(page.glyphs, source);
    lines::segment_words(page, source);
    lines::recompute(page.glyphs, target);
    lines::segment_words(page, target);
}

} // namespace quillstone::text::scripts
