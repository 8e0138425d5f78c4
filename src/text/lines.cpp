#include "text/lines.hpp"

#include "text/scripts.hpp"

#include <unicode/uchar.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>

namespace quillstone::text::lines {

namespace {

// Glyphs further than this from horizontal (rotated axis labels, vertical margin notes) are not
// text of the page's lines.
constexpr float upright_tolerance_deg = 5.0f;
constexpr float degrees_per_radian = 57.29578f;

// Baseline clustering: a glyph joins a cluster within this fraction of the smaller size, but
// never less than an absolute half point (tiny glyphs would otherwise need exact baselines).
constexpr float cluster_tolerance_ratio = 0.28f;
constexpr float cluster_tolerance_min_pt = 0.5f;
// Text runs left to right, so a glyph belongs to one of the few most recent clusters; looking
// back no further keeps clustering linear.
constexpr std::size_t cluster_lookback = 8;

// Sizes closer than this count as the same size.
constexpr float size_tolerance = 0.25f;
constexpr float min_weight_width_pt = 0.1f;

// Word gaps, in units of the smaller neighbouring font size.
constexpr float default_word_gap = 0.19f;
constexpr float min_word_gap = 0.1f;
constexpr std::size_t min_gaps_for_split = 4;
// The wide gaps must clearly stand out from the narrow ones to be trusted as the word gaps.
constexpr double distinct_gap_ratio = 2.5;

bool upright(float angle) {
    const float d = angle * degrees_per_radian;
    if (!std::isfinite(d)) return false;
    float a = std::fmod(d, 360.0f);
    if (a < 0) a += 360.0f;
    return std::min(a, 360.0f - a) <= upright_tolerance_deg;
}

struct Cluster {
    float y = 0;
    float size = 0;
    std::vector<std::uint32_t> glyphs;
};

// Appends a glyph's text; an expansion index out of range contributes nothing.
void append_glyph_text(const ir::PageRaw& page, const ir::Glyph& glyph, std::string& out) {
    if (glyph.text.kind == ir::GlyphText::Kind::Char) {
        ir::append_utf8(out, glyph.text.ch);
    } else if (glyph.text.index < page.expansions.size()) {
        out += page.expansions[glyph.text.index];
    }
}

bool is_space_glyph(const ir::Glyph& glyph) {
    return glyph.text.kind == ir::GlyphText::Kind::Char && is_white_space(glyph.text.ch);
}

ir::Rect unite(const ir::Rect& a, const ir::Rect& b) {
    // fmin/fmax let a NaN coordinate of one glyph fall away instead of poisoning the union.
    return {std::fmin(a.x0, b.x0), std::fmin(a.y0, b.y0), std::fmax(a.x1, b.x1),
            std::fmax(a.y1, b.y1)};
}

} // namespace

bool is_white_space(char32_t c) {
    return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_WHITE_SPACE) != 0;
}

// Most lines have two kinds of gap, letter gaps and word gaps; the split that best separates the
// two (Otsu's criterion) places the threshold between them, clamped so that it never leaves the
// plausible range. The statistics are taken in double precision; only the choice of split depends
// on them.
float word_gap_threshold(std::vector<float> gaps) {
    std::erase_if(gaps, [](float g) { return !std::isfinite(g); });
    if (gaps.size() < min_gaps_for_split) return default_word_gap;
    std::stable_sort(gaps.begin(), gaps.end(), ir::total_less);
    const std::size_t n = gaps.size();

    double total = 0;
    for (const float g : gaps) total += g;
    std::optional<std::size_t> best;
    double best_score = -std::numeric_limits<double>::infinity();
    double best_low = 0, best_high = 0;
    double low_sum = 0;
    for (std::size_t k = 1; k < n; ++k) {
        low_sum += gaps[k - 1];
        const double low = low_sum / static_cast<double>(k);
        const double high = (total - low_sum) / static_cast<double>(n - k);
        const double score = static_cast<double>(k) * static_cast<double>(n - k) * (low - high) *
                             (low - high);
        if (score > best_score) {
            best = k;
            best_score = score;
            best_low = low;
            best_high = high;
        }
    }
    if (!best || gaps[*best] < min_word_gap || best_high < distinct_gap_ratio * std::abs(best_low))
        return default_word_gap;
    const float mid = (gaps[*best - 1] + gaps[*best]) / 2.0f;
    return std::clamp(mid, min_word_gap, default_word_gap);
}

std::string Line::text() const {
    std::string out;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) out += ' ';
        out += words[i].text;
    }
    return out;
}

void sort_by_baseline(std::vector<Line>& lines) {
    std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
        if (const int c = ir::total_cmp(a.baseline, b.baseline)) return c < 0;
        return ir::total_less(a.bbox.x0, b.bbox.x0);
    });
}

void recompute(std::span<const ir::Glyph> glyphs, Line& line) {
    if (line.placed.empty()) return;
    for ([[maybe_unused]] const Placed& p : line.placed) assert(p.glyph < glyphs.size());

    ir::Rect box = glyphs[line.placed.front().glyph].bbox;
    for (const Placed& p : line.placed) box = unite(box, glyphs[p.glyph].bbox);
    line.bbox = box;

    // The dominant size weighs each glyph by its width, so a few wide capitals or symbols of
    // another size do not outvote the running text.
    struct Bucket {
        float size;
        float weight;
    };
    std::vector<Bucket> buckets;
    for (const Placed& p : line.placed) {
        const ir::Glyph& g = glyphs[p.glyph];
        if (!std::isfinite(g.size)) continue;
        const float width = g.bbox.x1 - g.bbox.x0;
        if (std::isnan(width)) continue;
        const float weight = std::max(width, min_weight_width_pt);
        if (!std::isfinite(weight)) continue;
        auto it = std::find_if(buckets.begin(), buckets.end(), [&](const Bucket& b) {
            return std::abs(b.size - g.size) < size_tolerance;
        });
        if (it == buckets.end()) {
            buckets.push_back({g.size, weight});
        } else {
            it->weight += weight;
        }
    }
    float size = 0.0f;
    float best = -std::numeric_limits<float>::infinity();
    for (const Bucket& b : buckets) {
        if (ir::total_cmp(b.weight, best) >= 0) {
            best = b.weight;
            size = b.size;
        }
    }
    line.size = size;

    // Sub- and superscripts and symbols of other sizes sit off the baseline; only glyphs of the
    // dominant size decide it.
    std::vector<float> ys;
    for (const Placed& p : line.placed) {
        const ir::Glyph& g = glyphs[p.glyph];
        if (std::abs(g.size - size) < size_tolerance) ys.push_back(g.origin.y);
    }
    if (ys.empty())
        for (const Placed& p : line.placed) ys.push_back(glyphs[p.glyph].origin.y);
    line.baseline = ir::median(std::move(ys));

    std::size_t bold = 0, italic = 0;
    for (const Placed& p : line.placed) {
        const std::uint16_t flags = glyphs[p.glyph].flags;
        if (flags & ir::glyph_flags::bold) ++bold;
        if (flags & ir::glyph_flags::italic) ++italic;
    }
    const std::size_t n = std::max<std::size_t>(line.placed.size(), 1);
    line.bold = 2 * bold > n;
    line.italic = 2 * italic > n;
}

void push_word(std::span<const ir::Glyph> glyphs, Line& line, std::uint32_t start,
               std::uint32_t end, std::string text) {
    if (end <= start || text.empty() || end > line.placed.size()) return;
    ir::Rect box = glyphs[line.placed[start].glyph].bbox;
    for (std::uint32_t i = start; i < end; ++i) box = unite(box, glyphs[line.placed[i].glyph].bbox);
    line.words.push_back(Word{std::move(text), box, start, end});
}

void segment_words(const ir::PageRaw& page, Line& line) {
    line.words.clear();
    if (line.placed.empty()) return;
    const std::span<const ir::Glyph> glyphs = page.glyphs;
    const std::size_t n = line.placed.size();

    // boundary[i]: a new word starts at placed[i].
    std::vector<bool> boundary(n, false);
    const bool explicit_spaces = std::any_of(line.placed.begin(), line.placed.end(),
                                             [](const Placed& p) { return p.space_before; });
    if (explicit_spaces) {
        // The PDF spelled its word spaces out; they are more reliable than any gap measure.
        for (std::size_t i = 0; i < n; ++i) boundary[i] = line.placed[i].space_before;
    } else {
        std::vector<float> gaps(n, 0.0f);
        for (std::size_t i = 1; i < n; ++i) {
            const ir::Glyph& a = glyphs[line.placed[i - 1].glyph];
            const ir::Glyph& b = glyphs[line.placed[i].glyph];
            gaps[i] = (b.bbox.x0 - a.bbox.x1) / std::max(1.0f, std::min(a.size, b.size));
        }
        const float threshold =
            word_gap_threshold(std::vector<float>(gaps.begin() + 1, gaps.end()));
        for (std::size_t i = 1; i < n; ++i) boundary[i] = gaps[i] > threshold;
    }

    std::string text;
    std::uint32_t start = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        if (boundary[i]) {
            push_word(glyphs, line, start, i, std::move(text));
            text.clear();
            start = i;
        }
        append_glyph_text(page, glyphs[line.placed[i].glyph], text);
    }
    push_word(glyphs, line, start, static_cast<std::uint32_t>(n), std::move(text));
}

std::vector<Line> build_lines(const ir::PageRaw& page) {
    const std::vector<ir::Glyph>& glyphs = page.glyphs;

    std::vector<std::uint32_t> order;
    order.reserve(glyphs.size());
    for (std::size_t i = 0; i < glyphs.size(); ++i)
        if (upright(glyphs[i].angle)) order.push_back(static_cast<std::uint32_t>(i));
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const ir::Point& pa = glyphs[a].origin;
        const ir::Point& pb = glyphs[b].origin;
        if (const int c = ir::total_cmp(pa.y, pb.y)) return c < 0;
        return ir::total_less(pa.x, pb.x);
    });

    // Anchors are never updated, so a slowly drifting baseline cannot drag a cluster along.
    std::vector<Cluster> clusters;
    for (const std::uint32_t gi : order) {
        const float y = glyphs[gi].origin.y;
        const float s = glyphs[gi].size;
        std::optional<std::size_t> best;
        float best_distance = 0;
        // Newest first, so that on equal distance the more recent cluster wins.
        const std::size_t oldest =
            clusters.size() > cluster_lookback ? clusters.size() - cluster_lookback : 0;
        for (std::size_t c = clusters.size(); c-- > oldest;) {
            const float distance = std::abs(clusters[c].y - y);
            const float tolerance = std::max(
                cluster_tolerance_min_pt, cluster_tolerance_ratio * std::min(clusters[c].size, s));
            if (!(distance <= tolerance)) continue;
            if (!best || ir::total_less(distance, best_distance)) {
                best = c;
                best_distance = distance;
            }
        }
        if (!best) {
            clusters.push_back(Cluster{y, s, {}});
            best = clusters.size() - 1;
        }
        clusters[*best].glyphs.push_back(gi);
    }

    std::vector<Line> lines;
    lines.reserve(clusters.size());
    for (const Cluster& c : clusters) {
        Line line;
        line.placed.reserve(c.glyphs.size());
        for (const std::uint32_t gi : c.glyphs) line.placed.push_back(Placed{gi, script::none, false});
        recompute(glyphs, line);
        lines.push_back(std::move(line));
    }

    scripts::absorb_scripts(page, lines);

    for (Line& line : lines) {
        std::stable_sort(line.placed.begin(), line.placed.end(),
                         [&](const Placed& a, const Placed& b) {
                             return ir::total_less(glyphs[a.glyph].origin.x,
                                                   glyphs[b.glyph].origin.x);
                         });
        // Whitespace glyphs become word boundaries and leave the line; leading whitespace marks
        // nothing.
        std::vector<Placed> kept;
        kept.reserve(line.placed.size());
        bool pending_space = false;
        for (const Placed& p : line.placed) {
            if (is_space_glyph(glyphs[p.glyph])) {
                if (!kept.empty()) pending_space = true;
                continue;
            }
            kept.push_back(Placed{p.glyph, p.script, pending_space});
            pending_space = false;
        }
        line.placed = std::move(kept);
        recompute(glyphs, line);
        segment_words(page, line);
    }

    for (const scripts::Move move : scripts::reunite_drop_capitals(page, lines))
        scripts::apply_drop_capital(page, lines, move);

    sort_by_baseline(lines);
    return lines;
}

} // namespace quillstone::text::lines
