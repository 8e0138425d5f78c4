#include "doc/assemble.hpp"
#include "doc/markers.hpp"

#include "doc/headings.hpp"
#include "ir/geometry.hpp"
#include "text/chars.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace quillstone::doc {

namespace {

namespace chars = quillstone::text::chars;
using text::lines::Line;
using text::vocab::Vocabulary;

// Lines of one block differ in size by PDF jitter only; a real change of font size (a heading
// over its paragraph, a footnote under the text) is larger than this.
constexpr float group_size_step_pt = 0.4f;
// Baseline gaps, in leadings: a paragraph's lines are one leading apart, a blank line or a
// heading's space above is clearly more.
constexpr float group_gap_leadings = 1.45f;
constexpr float fragment_gap_leadings = 1.6f;
// Font sizes relative to the body size.
constexpr float heading_size_ratio = 1.06f;
constexpr float footnote_size_ratio = 0.92f;
// Footnotes live in the lowest 32 % of a page.
constexpr float footnote_zone_start = 0.68f;
// Headings never fill a full line; a short last line of a paragraph can't be told apart by
// width alone, which is why a heading also needs a number, a larger size or bold type.
constexpr float heading_width_ratio = 0.9f;
constexpr std::size_t heading_max_lines = 2;
constexpr std::size_t heading_max_words = 14;
constexpr std::size_t caption_prefix_chars = 24;
constexpr std::size_t list_marker_max_bytes = 6;
constexpr std::size_t fragment_max_words = 3;
constexpr std::size_t title_scan_blocks = 4;
constexpr std::size_t title_min_words = 2;
constexpr std::size_t title_max_words = 25;
// US Letter, for pages whose height was not supplied.
constexpr float default_page_height_pt = 792.0f;

// The list of reference-list heading words is owned by the bibliography stage; until that stage
// is built, no paragraph fragment is protected from merging by looking like one.
bool is_bibliography_heading(std::string_view /*text*/) {
    return false;
}

ir::Rect unite(const ir::Rect& a, const ir::Rect& b) {
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

bool ends_with_any(std::string_view text, std::string_view endings) {
    return !text.empty() && endings.find(text.back()) != std::string_view::npos;
}

bool overlap_horizontally(const ir::Rect& a, const ir::Rect& b) {
    return std::min(a.x1, b.x1) > std::max(a.x0, b.x0);
}

// A line-final hyphen: the ASCII hyphen-minus or U+2010 HYPHEN. Returns its length in bytes.
std::size_t trailing_hyphen(std::string_view word) {
    if (word.ends_with('-'))
        return 1;
    if (word.ends_with("\u2010"))
        return std::string_view("\u2010").size();
    return 0;
}

bool letters_digits_or_hyphens(std::string_view word) {
    for (std::size_t pos = 0; pos < word.size();) {
        const chars::Decoded d = chars::decode_at(word, pos);
        if (d.ch != U'-' && !chars::is_alphabetic(d.ch) && !chars::is_numeric(d.ch))
            return false;
        pos += d.length;
    }
    return true;
}

// Appends the next line's text to a block's text, mending a word broken across the line end.
// `ran_to_edge` says whether the previous line reached (within a font size) the block's right
// edge; a line that stopped short ended its last word on purpose.
void append_line(std::string& text, std::string_view next, bool ran_to_edge,
                 const Vocabulary& vocabulary) {
    const auto append_spaced = [&] {
        text += ' ';
        text += next;
    };
    if (!ran_to_edge)
        return append_spaced();
    const std::size_t last_space = text.rfind(' ');
    const std::size_t word_start = last_space == std::string::npos ? 0 : last_space + 1;
    const std::string last_word = text.substr(word_start);
    const std::size_t first_end = std::min(next.find(' '), next.size());
    const std::string_view first_word = next.substr(0, first_end);
    const std::string_view rest = next.substr(first_end);
    if (last_word.empty() || first_word.empty())
        return append_spaced();

    const auto replace_last_word = [&](const std::string& joined) {
        text.resize(word_start);
        text += joined;
        text += rest;
    };
    const std::size_t hyphen = trailing_hyphen(last_word);
    if (hyphen == 0) {
        // Some PDFs split a word across lines without any hyphen.
        if (auto joined = vocabulary.rejoin(last_word, first_word))
            return replace_last_word(*joined);
        return append_spaced();
    }
    const std::string_view stem = std::string_view(last_word).substr(0, last_word.size() - hyphen);
    if (stem.empty())
        return append_spaced();
    if (auto joined = vocabulary.rejoin(stem, first_word))
        return replace_last_word(*joined);
    // Not a word the document knows: keep the hyphen, as in a compound broken at its hyphen
    // ("state-" + "of-the-art"). Anything but letters and digits after it (a formula, a
    // bracket) is more likely a separate token.
    if (letters_digits_or_hyphens(first_word)) {
        text += next;
        return;
    }
    append_spaced();
}

std::string join_group(std::span<const Line> group, const Vocabulary& vocabulary) {
    float right_edge = -std::numeric_limits<float>::infinity();
    for (const Line& line : group)
        if (line.bbox.x1 > right_edge)
            right_edge = line.bbox.x1;

    std::string text;
    // The line the text so far ends with. Lines without words add nothing, not even a space.
    const Line* previous = nullptr;
    for (const Line& line : group) {
        const std::string next = line.text();
        if (next.empty())
            continue;
        if (previous == nullptr) {
            text = next;
        } else {
            const bool stopped_short = right_edge - previous->bbox.x1 > previous->size;
            append_line(text, next, !stopped_short, vocabulary);
        }
        previous = &line;
    }
    return std::string(chars::trim(text));
}

bool is_caption(std::string_view text) {
    std::size_t end = 0;
    for (std::size_t n = 0; n < caption_prefix_chars && end < text.size(); ++n)
        end += chars::decode_at(text, end).length;
    const std::string prefix = chars::to_lower(text.substr(0, end));
    constexpr std::array<std::string_view, 5> openers{"figure", "fig.", "table", "algorithm",
                                                      "listing"};
    const bool opens = std::any_of(openers.begin(), openers.end(),
                                   [&](std::string_view o) { return prefix.starts_with(o); });
    // "Figure 3" captions a figure; "Figure shows that" is prose.
    return opens &&
           std::any_of(prefix.begin(), prefix.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool is_ordered_marker(std::string_view text) {
    const std::string_view trimmed = chars::trim_start(text);
    std::size_t token_end = 0;
    while (token_end < trimmed.size()) {
        const chars::Decoded d = chars::decode_at(trimmed, token_end);
        if (chars::is_white_space(d.ch))
            break;
        token_end += d.length;
    }
    const std::string_view token = trimmed.substr(0, token_end);
    if (token.size() > list_marker_max_bytes ||
        chars::trim_start(trimmed.substr(token_end)).empty())
        return false;
    std::string_view core = token;
    while (core.starts_with('('))
        core.remove_prefix(1);
    while (!core.empty() && (core.back() == ')' || core.back() == '.' || core.back() == ':'))
        core.remove_suffix(1);
    // A bare "1" or "a" opens prose as often as a list.
    if (core.empty() || core.size() == token.size())
        return false;
    const auto all_of = [&](auto pred) { return std::all_of(core.begin(), core.end(), pred); };
    const auto ascii_letter = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    };
    return all_of([](char c) { return c >= '0' && c <= '9'; }) ||
           all_of([](char c) { return c == 'i' || c == 'l' || c == 'v' || c == 'x'; }) ||
           (core.size() == 1 && ascii_letter(core[0]));
}

struct Thresholds {
    float group_gap = 0;
    float body_size = 0;
    float heading_size = 0;
    float footnote_size = 0;
    float fragment_gap = 0;
};

struct PageFacts {
    float height = 0;
    float widest_line = 1.0f;
};

// Sets the block's kind from its text and the shape of its lines.
void classify(Block& block, std::span<const Line> group, const PageFacts& page,
              const Thresholds& limits) {
    const std::string_view text = block.text;
    const Line& first = group.front();
    if (is_caption(text)) {
        block.kind = BlockKind::Caption;
        return;
    }

    const std::size_t words = chars::word_count(text);
    const bool numbered = numbered_heading(text);
    float widest = first.bbox.width();
    for (const Line& line : group)
        if (line.bbox.width() > widest)
            widest = line.bbox.width();
    const bool all_bold =
        std::all_of(group.begin(), group.end(), [](const Line& l) { return l.bold; });
    if (group.size() <= heading_max_lines && words >= 1 && words <= heading_max_words &&
        (!text.ends_with('.') || numbered) && widest / page.widest_line <= heading_width_ratio &&
        (numbered || first.size >= limits.heading_size || all_bold)) {
        block.kind = BlockKind::Heading;
        block.level = 1; // provisional; levels are assigned once all headings are known
        return;
    }

    const chars::Decoded lead = chars::decode_at(text, 0);
    if (is_bullet(lead.ch)) {
        // A bullet glued to its word ("-5 degrees", "•Item") is not a list marker, and such a
        // text is never a numbered item either.
        if (chars::is_white_space(chars::decode_at(text, lead.length).ch)) {
            block.kind = BlockKind::ListItem;
            block.ordered = false;
            return;
        }
    } else if (is_ordered_marker(text)) {
        block.kind = BlockKind::ListItem;
        block.ordered = true;
        return;
    }

    float top = first.bbox.y0;
    for (const Line& line : group)
        top = std::min(top, line.bbox.y0);
    if (page.height > 0.0f && first.size < limits.footnote_size &&
        top / page.height >= footnote_zone_start) {
        block.kind = BlockKind::Footnote;
        return;
    }
    block.kind = BlockKind::Paragraph;
}

// Phase 1: group consecutive lines, join and classify each group.
void assemble_page(std::size_t page_index, std::span<const Line> lines, const PageFacts& page,
                   const Thresholds& limits, const Vocabulary& vocabulary, Assembled& out) {
    const auto emit = [&](std::size_t first, std::size_t end) {
        const std::span<const Line> group = lines.subspan(first, end - first);
        Block block;
        block.text = join_group(group, vocabulary);
        if (block.text.empty())
            return;
        block.page = page_index;
        block.bbox = group.front().bbox;
        for (const Line& line : group)
            block.bbox = unite(block.bbox, line.bbox);
        block.size = group.front().size;
        classify(block, group, page, limits);
        out.document.blocks.push_back(std::move(block));
        out.line_anchors.push_back(first);
    };

    std::size_t first = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const Line& previous = lines[i - 1];
        const Line& line = lines[i];
        const float drop = line.baseline - previous.baseline;
        const bool same_size = std::abs(line.size - previous.size) <= group_size_step_pt;
        // Type larger than the body is set with proportionally larger line spacing: a title in
        // 17-point type has its lines about 20 points apart, which would split it in two if the
        // body's leading alone decided.
        const float larger = std::max(line.size, previous.size);
        const float scale =
            limits.body_size > 0.0f && larger > limits.body_size ? larger / limits.body_size : 1.0f;
        const bool next_line = drop > 0.0f && drop <= limits.group_gap * scale;
        if (!same_size || !next_line) {
            emit(first, i);
            first = i;
        }
    }
    if (!lines.empty())
        emit(first, lines.size());
}

bool starts_upper_case(std::string_view text) {
    const char32_t c = chars::decode_at(text, 0).ch;
    return (c >= U'A' && c <= U'Z') || chars::is_uppercase(c);
}

// Phase 2: a few words split off a paragraph (a last line pushed apart by a display element, a
// word set in another font on the paragraph's own line) go back into it.
void merge_fragments(Assembled& assembled, const Thresholds& limits) {
    std::vector<Block>& blocks = assembled.document.blocks;
    std::vector<Block> merged;
    std::vector<std::size_t> anchors;
    merged.reserve(blocks.size());
    anchors.reserve(blocks.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        Block& c = blocks[i];
        if (!merged.empty()) {
            Block& p = merged.back();
            const bool sentence_start = starts_upper_case(c.text) && ends_with_any(p.text, ".!:?");
            const bool below = c.bbox.y0 - p.bbox.y1 <= limits.fragment_gap &&
                               overlap_horizontally(p.bbox, c.bbox);
            const float shared_height =
                std::min(p.bbox.y1, c.bbox.y1) - std::max(p.bbox.y0, c.bbox.y0);
            const float smaller_height = std::min(p.bbox.height(), c.bbox.height());
            const bool beside =
                c.bbox.x0 >= p.bbox.x0 && shared_height >= 0.5f * std::max(1.0f, smaller_height);
            if (chars::word_count(c.text) <= fragment_max_words && p.page == c.page &&
                p.kind == BlockKind::Paragraph && c.kind == BlockKind::Paragraph &&
                !sentence_start && !is_bibliography_heading(c.text) && (below || beside)) {
                p.text += ' ';
                p.text += c.text;
                p.bbox = unite(p.bbox, c.bbox);
                continue;
            }
        }
        merged.push_back(std::move(c));
        anchors.push_back(assembled.line_anchors[i]);
    }
    blocks = std::move(merged);
    assembled.line_anchors = std::move(anchors);
}

// Phase 3: a list needs at least two items close together on the same page; a lone "1." or
// dash is more likely a paragraph that happens to start with one.
void demote_isolated_items(std::vector<Block>& blocks) {
    std::vector<bool> was_item(blocks.size());
    for (std::size_t i = 0; i < blocks.size(); ++i)
        was_item[i] = blocks[i].kind == BlockKind::ListItem;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (!was_item[i])
            continue;
        const std::size_t lo = i >= 2 ? i - 2 : 0;
        const std::size_t hi = std::min(i + 2, blocks.size() - 1);
        bool neighbour = false;
        for (std::size_t j = lo; j <= hi && !neighbour; ++j)
            neighbour = j != i && was_item[j] && blocks[j].page == blocks[i].page;
        if (!neighbour) {
            blocks[i].kind = BlockKind::Paragraph;
            blocks[i].ordered = false;
        }
    }
}

// Phase 4: the title is the largest of the first few blocks on the first page that reads like
// a title: not body-sized or smaller, a few words, no full stop, no section number.
void choose_title(std::vector<Block>& blocks, float body_size) {
    std::optional<std::size_t> chosen;
    std::size_t chosen_words = 0;
    for (std::size_t i = 0; i < std::min(title_scan_blocks, blocks.size()); ++i) {
        const Block& b = blocks[i];
        const std::size_t words = chars::word_count(b.text);
        if (b.page != 0 || !(b.size >= body_size) || words < title_min_words ||
            words > title_max_words || b.text.ends_with('.') || numbered_heading(b.text))
            continue;
        const int size_order = chosen ? ir::total_cmp(b.size, blocks[*chosen].size) : 1;
        if (size_order > 0 || (size_order == 0 && words >= chosen_words)) {
            chosen = i;
            chosen_words = words;
        }
    }
    if (chosen) {
        Block& title = blocks[*chosen];
        title.kind = BlockKind::Title;
        title.level = 0;
        title.ordered = false;
    }
}

} // namespace

Assembled assemble_placed(std::span<const std::vector<Line>> pages,
                          std::span<const float> page_heights, const Vocabulary& vocabulary,
                          float body_size, float leading) {
    const Thresholds limits{group_gap_leadings * leading, body_size,
                            heading_size_ratio * body_size, footnote_size_ratio * body_size,
                            fragment_gap_leadings * leading};
    Assembled out;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        PageFacts facts;
        facts.height = p < page_heights.size() ? page_heights[p] : default_page_height_pt;
        for (const Line& line : pages[p])
            if (line.bbox.width() > facts.widest_line)
                facts.widest_line = line.bbox.width();
        assemble_page(p, pages[p], facts, limits, vocabulary, out);
    }
    merge_fragments(out, limits);
    demote_isolated_items(out.document.blocks);
    choose_title(out.document.blocks, body_size);
    assign_heading_levels(out.document.blocks);

    const auto title = std::find_if(out.document.blocks.begin(), out.document.blocks.end(),
                                    [](const Block& b) { return b.kind == BlockKind::Title; });
    if (title != out.document.blocks.end())
        out.document.title = title->text;
    return out;
}

} // namespace quillstone::doc
