#include "doc/model.hpp"

#include <algorithm>
#include <utility>

namespace quillstone::doc {

std::vector<Section> Document::sections() const {
    if (blocks.empty())
        return {};
    std::vector<HeadingRef> headings;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (blocks[i].kind != BlockKind::Heading)
            continue;
        // A heading that never got a level still opens a section rather than hiding inside the
        // preamble or the previous section.
        headings.push_back({i, std::max<std::uint8_t>(blocks[i].level, 1)});
    }
    std::vector<Section> out;
    const std::size_t first = headings.empty() ? blocks.size() : headings.front().index;
    if (first > 0)
        out.push_back(section(std::nullopt, 0, 0, first, {}));
    std::size_t cursor = 0;
    for (Section& s : nest(headings, cursor, 0))
        out.push_back(std::move(s));
    return out;
}

std::vector<Section> Document::nest(const std::vector<HeadingRef>& headings, std::size_t& cursor,
                                    std::uint8_t parent_level) const {
    std::vector<Section> out;
    while (cursor < headings.size() && headings[cursor].level > parent_level) {
        const HeadingRef h = headings[cursor++];
        // Levels strictly increase with each recursion, so the depth is bounded by 255.
        std::vector<Section> children = nest(headings, cursor, h.level);
        const std::size_t end = cursor < headings.size() ? headings[cursor].index : blocks.size();
        std::optional<std::string> heading_text;
        if (h.index < blocks.size())
            heading_text = blocks[h.index].text;
        out.push_back(section(std::move(heading_text), h.level, h.index, end, std::move(children)));
    }
    return out;
}

Section Document::section(std::optional<std::string> section_title, std::uint8_t level,
                          std::size_t start, std::size_t end, std::vector<Section> children) const {
    Section s;
    s.title = std::move(section_title);
    s.level = level;
    s.start = start;
    s.end = end;
    s.children = std::move(children);
    const std::size_t last = std::min(end, blocks.size());
    for (std::size_t i = start; i < last; ++i) {
        const std::size_t page = blocks[i].page;
        if (i == start) {
            s.first_page = s.last_page = page;
        } else {
            s.first_page = std::min(s.first_page, page);
            s.last_page = std::max(s.last_page, page);
        }
    }
    return s;
}

} // namespace quillstone::doc
