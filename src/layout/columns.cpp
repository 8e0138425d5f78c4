#include "layout/columns.hpp"

#include <unicode/uchar.h>

#include <algorithm>
#include <cmath>

namespace quillstone::layout::columns {

namespace {

using text::lines::Line;
using text::lines::Placed;

// Fewer glyphs than this are too few for a histogram to say anything about columns.
constexpr std::size_t min_boxes = 200;
constexpr std::size_t max_gutters = 2;
// Counters within this fraction of the peak above the valley floor still belong to the valley.
constexpr double valley_slack = 0.02;
constexpr float spine_tolerance_pt = 12.0f;
constexpr std::size_t min_spine_pages = 3;
constexpr unsigned max_band_depth = 2;
// A line of running prose is cut at a gutter when it has a blank this many sizes wide there.
constexpr std::size_t min_prose_words = 4;
constexpr float prose_blank_ratio = 2.0f;

// The histogram counter an x coordinate falls to, limited to [0, width]. Like a saturating
// conversion, NaN and negative values give 0.
std::size_t counter_index(float x, std::size_t width) {
    if (!(x > 0)) return 0;
    if (!(x < static_cast<float>(width))) return width;
    return std::min(static_cast<std::size_t>(x), width);
}

float centre(const Gutter& g) { return (g.lo + g.hi) / 2.0f; }

void append_boxes(const ir::PageRaw& page, std::span<const Line* const> lines,
                  std::vector<ir::Rect>& out) {
    for (const Line* line : lines)
        for (const Placed& p : line->placed) out.push_back(page.glyphs[p.glyph].bbox);
}

Band spanning(std::span<const Line* const> lines, std::vector<Gutter> gutters) {
    Band band;
    band.gutters = std::move(gutters);
    band.top = std::numeric_limits<float>::infinity();
    band.bottom = -std::numeric_limits<float>::infinity();
    for (const Line* line : lines) {
        if (ir::total_less(line->bbox.y0, band.top)) band.top = line->bbox.y0;
        if (ir::total_less(band.bottom, line->bbox.y1)) band.bottom = line->bbox.y1;
    }
    return band;
}

bool is_ascii_punctuation(char32_t c) {
    return (c >= U'!' && c <= U'/') || (c >= U':' && c <= U'@') || (c >= U'[' && c <= U'`') ||
           (c >= U'{' && c <= U'~');
}

} // namespace

std::vector<Gutter> gutters(std::span<const ir::Rect> rects, float page_width) {
    // A non-finite width says nothing about columns.
    if (!(page_width > 0) || !std::isfinite(page_width) || rects.size() < min_boxes) return {};
    const auto width = static_cast<std::size_t>(
        std::min(std::ceil(static_cast<double>(page_width)),
                 static_cast<double>(max_histogram_width_pt)));
    if (width == 0) return {};

    // Every box covers the unit intervals [floor(x0), ceil(x1)); a difference array keeps the
    // cost independent of how wide the boxes are.
    std::vector<std::int64_t> delta(width + 1, 0);
    for (const ir::Rect& r : rects) {
        const std::size_t a = counter_index(std::floor(r.x0), width);
        const std::size_t b = counter_index(std::ceil(r.x1), width);
        if (a >= b) continue;
        ++delta[a];
        --delta[b];
    }
    std::vector<std::uint32_t> histogram(width);
    std::int64_t running = 0;
    for (std::size_t i = 0; i < width; ++i) {
        running += delta[i];
        histogram[i] = static_cast<std::uint32_t>(running);
    }

    const std::uint32_t max_count = *std::max_element(histogram.begin(), histogram.end());
    if (max_count == 0) return {};
    const std::uint32_t threshold = max_count / 4;
    const auto above = [&](std::uint32_t c) { return c > threshold; };
    const auto first = std::find_if(histogram.begin(), histogram.end(), above);
    if (first == histogram.end()) return {};
    const auto left = static_cast<std::size_t>(first - histogram.begin());
    const auto right = static_cast<std::size_t>(
        std::find_if(histogram.rbegin(), histogram.rend(), above).base() - histogram.begin() - 1);

    std::vector<std::uint32_t> filled;
    for (std::size_t i = left; i <= right; ++i)
        if (histogram[i] > threshold) filled.push_back(histogram[i]);
    std::sort(filled.begin(), filled.end());
    const std::uint32_t median_count = filled[filled.size() / 2];

    std::vector<Gutter> out;
    std::optional<std::size_t> run_start;
    for (std::size_t i = left; i <= right; ++i) {
        if (histogram[i] <= threshold) {
            if (!run_start) run_start = i;
        } else if (run_start) {
            push_gutter(out, histogram, max_count, median_count, *run_start, i);
            run_start.reset();
        }
    }
    // Three or more valleys are a table, a figure or a list, not columns.
    if (out.size() > max_gutters) return {};
    return out;
}

void push_gutter(std::vector<Gutter>& out, std::span<const std::uint32_t> histogram,
                 std::uint32_t max_count, std::uint32_t median_count, std::size_t start,
                 std::size_t end) {
    const std::size_t width = histogram.size();
    end = std::min(end, width);
    if (start >= end) return;

    const std::uint32_t floor_count =
        *std::min_element(histogram.begin() + static_cast<std::ptrdiff_t>(start),
                          histogram.begin() + static_cast<std::ptrdiff_t>(end));
    const auto slack =
        static_cast<std::uint64_t>(std::round(valley_slack * static_cast<double>(max_count)));
    const std::uint64_t level = floor_count + slack;

    // The valley's deepest stretch is the gutter proper; a stray glyph in the run (a wide
    // equation, a footnote mark) must not hide it.
    std::size_t best_start = start, best_length = 0;
    for (std::size_t i = start; i < end;) {
        if (histogram[i] > level) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < end && histogram[j] <= level) ++j;
        if (j - i > best_length) {
            best_start = i;
            best_length = j - i;
        }
        i = j;
    }
    std::size_t lo = start, hi = end;
    if (best_length >= gutter_width_pt) {
        lo = best_start;
        hi = best_start + best_length;
    }
    if (hi - lo < gutter_width_pt) return;

    const auto max_in = [&](std::size_t a, std::size_t b) -> std::uint32_t {
        std::uint32_t m = 0;
        for (std::size_t i = a; i < b; ++i) m = std::max(m, histogram[i]);
        return m;
    };
    const std::uint32_t left_flank = max_in(lo >= gutter_flank_pt ? lo - gutter_flank_pt : 0, lo);
    const std::uint32_t right_flank =
        max_in(std::min(hi, width), std::min(hi + gutter_flank_pt, width));
    const std::uint32_t flank = std::min(left_flank, right_flank);
    // Both sides must carry at least half the typical text density near the gutter.
    if (flank < median_count / 2) return;
    std::uint32_t inner = histogram[lo];
    for (std::size_t i = lo; i < hi; ++i) inner = std::min(inner, histogram[i]);
    if (2 * std::uint64_t{inner} > flank) return;
    out.push_back(Gutter{static_cast<float>(lo), static_cast<float>(hi)});
}

std::vector<Gutter> page_gutters(const ir::PageRaw& page, const std::vector<Line>& lines) {
    std::vector<ir::Rect> rects;
    for (const Line& line : lines)
        for (const Placed& p : line.placed) rects.push_back(page.glyphs[p.glyph].bbox);
    return gutters(rects, page.width);
}

std::optional<Gutter> document_spine(std::span<const std::vector<Gutter>> pages_gutters) {
    std::vector<Gutter> singles;
    for (const auto& g : pages_gutters)
        if (g.size() == 1) singles.push_back(g.front());
    // Two pages agreeing could be a coincidence of figures; three make a layout.
    if (singles.size() < min_spine_pages) return std::nullopt;
    std::stable_sort(singles.begin(), singles.end(), [](const Gutter& a, const Gutter& b) {
        return ir::total_less(centre(a), centre(b));
    });
    const Gutter median = singles[singles.size() / 2];
    const float c = centre(median);
    const auto agreeing = std::count_if(singles.begin(), singles.end(), [&](const Gutter& g) {
        return std::abs(centre(g) - c) <= spine_tolerance_pt;
    });
    if (2 * static_cast<std::size_t>(agreeing) < singles.size()) return std::nullopt;
    return median;
}

void search_bands(const ir::PageRaw& page, Gutter spine, std::span<const Line* const> lines,
                  unsigned depth, std::vector<Band>& out) {
    std::vector<ir::Rect> rects;
    append_boxes(page, lines, rects);
    std::vector<Gutter> kept;
    for (const Gutter& g : gutters(rects, page.width))
        if (std::abs(centre(g) - centre(spine)) <= spine_tolerance_pt) kept.push_back(g);

    if (depth >= max_band_depth || !kept.empty()) {
        out.push_back(spanning(lines, std::move(kept)));
        return;
    }
    if (lines.size() >= 2) {
        // The widest horizontal blank: between a line and everything above it.
        std::optional<std::size_t> split;
        float widest = 0;
        float reach = lines[0]->bbox.y1;
        for (std::size_t k = 1; k < lines.size(); ++k) {
            const float gap = lines[k]->bbox.y0 - reach;
            if (gap > 0 && (!split || ir::total_less(widest, gap))) {
                split = k;
                widest = gap;
            }
            reach = std::fmax(reach, lines[k]->bbox.y1);
        }
        if (split) {
            search_bands(page, spine, lines.first(*split), depth + 1, out);
            search_bands(page, spine, lines.subspan(*split), depth + 1, out);
            return;
        }
    }
    out.push_back(spanning(lines, {}));
}

std::vector<Band> page_bands(const ir::PageRaw& page, const std::vector<Line>& lines,
                             const std::vector<Gutter>& own, const std::optional<Gutter>& spine) {
    if (!spine || !own.empty()) return {Band{own}};

    std::vector<const Line*> sorted;
    sorted.reserve(lines.size());
    for (const Line& line : lines) sorted.push_back(&line);
    std::stable_sort(sorted.begin(), sorted.end(), [](const Line* a, const Line* b) {
        return ir::total_less(a->bbox.y0, b->bbox.y0);
    });
    std::vector<Band> found;
    search_bands(page, *spine, sorted, 0, found);

    std::vector<Band> bands;
    for (Band& band : found) {
        if (!bands.empty() && bands.back().gutters == band.gutters) {
            if (ir::total_less(bands.back().bottom, band.bottom)) bands.back().bottom = band.bottom;
            continue;
        }
        bands.push_back(std::move(band));
    }
    if (bands.empty()) return {Band{}};
    for (std::size_t i = 1; i < bands.size(); ++i) {
        const float boundary = (bands[i - 1].bottom + bands[i].top) / 2.0f;
        bands[i - 1].bottom = boundary;
        bands[i].top = boundary;
    }
    bands.front().top = -std::numeric_limits<float>::infinity();
    bands.back().bottom = std::numeric_limits<float>::infinity();
    return bands;
}

std::vector<std::vector<Band>> document_bands(std::span<const ir::PageRaw> pages,
                                              std::span<const std::vector<Line>> pages_lines) {
    const std::size_t n = std::min(pages.size(), pages_lines.size());
    std::vector<std::vector<Gutter>> own(n);
    for (std::size_t i = 0; i < n; ++i) own[i] = page_gutters(pages[i], pages_lines[i]);
    const std::optional<Gutter> spine = document_spine(own);
    std::vector<std::vector<Band>> bands(n);
    for (std::size_t i = 0; i < n; ++i) bands[i] = page_bands(pages[i], pages_lines[i], own[i], spine);
    return bands;
}

std::vector<Line> apply_bands(const ir::PageRaw& page, std::vector<Line> lines,
                              const std::vector<Band>& bands) {
    if (bands.size() == 1) return split_at_gutters(page, std::move(lines), bands.front().gutters);
    std::vector<Line> out;
    std::vector<bool> taken(lines.size(), false);
    for (const Band& band : bands) {
        std::vector<Line> inside;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (taken[i]) continue;
            const float mid = (lines[i].bbox.y0 + lines[i].bbox.y1) / 2.0f;
            if (band.top <= mid && mid < band.bottom) {
                taken[i] = true;
                inside.push_back(std::move(lines[i]));
            }
        }
        for (Line& line : split_at_gutters(page, std::move(inside), band.gutters))
            out.push_back(std::move(line));
    }
    return out;
}

std::size_t prose_words(const Line& line) {
    std::size_t count = 0;
    for (const auto& word : line.words) {
        const std::u32string chars = ir::decode_utf8(word.text);
        std::size_t a = 0, b = chars.size();
        while (a < b && is_ascii_punctuation(chars[a])) ++a;
        while (b > a && is_ascii_punctuation(chars[b - 1])) --b;
        if (b - a < 3) continue;
        const bool letters = std::all_of(chars.begin() + static_cast<std::ptrdiff_t>(a),
                                         chars.begin() + static_cast<std::ptrdiff_t>(b),
                                         [](char32_t c) {
                                             return u_hasBinaryProperty(static_cast<UChar32>(c),
                                                                        UCHAR_ALPHABETIC) != 0;
                                         });
        if (letters) ++count;
    }
    return count;
}

std::vector<Line> split_at_gutters(const ir::PageRaw& page, std::vector<Line> lines,
                                   const std::vector<Gutter>& gutters) {
    if (gutters.empty()) return lines;
    std::vector<Line> out;
    for (const Line& line : lines) {
        if (line.placed.empty()) continue;
        // Running prose may be cut where a wide blank holds the gutter's centre even if the
        // glyphs beside it reach into the gutter; anything else only where glyph centres
        // straddle the whole gutter.
        const bool prose = prose_words(line) >= min_prose_words;
        std::vector<std::vector<Placed>> pieces{{line.placed.front()}};
        for (std::size_t k = 1; k < line.placed.size(); ++k) {
            const ir::Rect& p = page.glyphs[pieces.back().back().glyph].bbox;
            const ir::Rect& g = page.glyphs[line.placed[k].glyph].bbox;
            const float pm = (p.x0 + p.x1) / 2.0f;
            const float gm = (g.x0 + g.x1) / 2.0f;
            const bool wide = prose && g.x0 - p.x1 >= prose_blank_ratio * line.size;
            const bool cut = std::any_of(gutters.begin(), gutters.end(), [&](const Gutter& gt) {
                const float c = centre(gt);
                return (pm < gt.lo && gm > gt.hi) || (wide && p.x1 <= c && c <= g.x0);
            });
            if (cut) pieces.emplace_back();
            pieces.back().push_back(line.placed[k]);
        }
        for (auto& piece : pieces) {
            Line cut;
            cut.placed = std::move(piece);
            text::lines::recompute(page.glyphs, cut);
            text::lines::segment_words(page, cut);
            out.push_back(std::move(cut));
        }
    }
    text::lines::sort_by_baseline(out);
    return out;
}

} // namespace quillstone::layout::columns
