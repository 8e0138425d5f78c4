#pragma once
// Block assembly: the text lines of every page, in reading order and without running heads,
// tables or display equations, become the document's paragraphs, headings, list items,
// captions, footnotes and title. It decides every block boundary and kind that comes from text.

#include "doc/model.hpp"
#include "text/lines.hpp"
#include "text/vocab.hpp"

#include <cstddef>
#include <span>
#include <vector>

namespace quillstone::doc {

struct Assembled {
    Document document;
    // One entry per block, in block order: the index, in its page's input line list, of the
    // block's first line. Lifted tables and equations are placed back between blocks with it.
    std::vector<std::size_t> line_anchors;
    bool operator==(const Assembled&) const = default;
};

// Groups each page's lines into blocks, joins their text (mending words broken at line ends
// with the vocabulary's help), classifies them, merges paragraph fragments back, demotes
// isolated list items, picks the title and levels the headings. `page_heights` gives each page's
// height; pages past its end count as 792 points high. Never fails: no pages give no blocks.
[[nodiscard]] Assembled assemble_placed(std::span<const std::vector<text::lines::Line>> pages,
                                        std::span<const float> page_heights,
                                        const text::vocab::Vocabulary& vocabulary, float body_size,
                                        float leading);

} // namespace quillstone::doc
