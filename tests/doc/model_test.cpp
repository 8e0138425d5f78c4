#include "doc/model.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace quillstone::doc {
namespace {

struct HeadingShape {
    std::size_t index;
    std::uint8_t level;
};

// A document of `count` paragraphs where block i sits on page i / 2, with headings placed at the
// given indices.
Document with_headings(std::size_t count, const std::vector<HeadingShape>& headings) {
    Document d;
    for (std::size_t i = 0; i < count; ++i) {
        Block b;
        b.text = "block " + std::to_string(i);
        b.page = i / 2;
        d.blocks.push_back(b);
    }
    for (const HeadingShape& h : headings) {
        d.blocks[h.index].kind = BlockKind::Heading;
        d.blocks[h.index].level = h.level;
    }
    return d;
}

// The outline's promise: siblings tile their parent's range in order, children start right
// after their heading and run to the parent's end, and page spans match the blocks.
void expect_tiles(const Document& d, const std::vector<Section>& sections, std::size_t start,
                  std::size_t end) {
    std::size_t at = start;
    for (const Section& s : sections) {
        EXPECT_EQ(s.start, at);
        EXPECT_LT(s.start, s.end);
        std::size_t lo = d.blocks[s.start].page, hi = lo;
        for (std::size_t i = s.start; i < s.end; ++i) {
            lo = std::min(lo, d.blocks[i].page);
            hi = std::max(hi, d.blocks[i].page);
        }
        EXPECT_EQ(s.first_page, lo);
        EXPECT_EQ(s.last_page, hi);
        if (!s.children.empty())
            expect_tiles(d, s.children, s.children.front().start, s.end);
        if (s.level > 0 && !s.children.empty()) {
            EXPECT_GT(s.children.front().start, s.start);
        }
        at = s.end;
    }
    EXPECT_EQ(at, end);
}

TEST(Outline, EmptyDocumentHasNoSections) {
    EXPECT_TRUE(Document{}.sections().empty());
}

TEST(Outline, WithoutHeadingsEverythingIsPreamble) {
    const Document d = with_headings(5, {});
    const auto s = d.sections();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0], (Section{std::nullopt, 0, 0, 5, 0, 2, {}}));
}

TEST(Outline, LeadingHeadingMeansNoPreamble) {
    const Document d = with_headings(3, {{0, 1}});
    const auto s = d.sections();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].title, "block 0");
    EXPECT_EQ(s[0].level, 1);
    EXPECT_EQ(s[0].start, 0u);
    EXPECT_EQ(s[0].end, 3u);
}

TEST(Outline, NestsByLevel) {
    const Document d = with_headings(14, {{2, 1}, {5, 2}, {8, 2}, {11, 1}});
    const auto s = d.sections();
    const std::vector<Section> want{
        {std::nullopt, 0, 0, 2, 0, 0, {}},
        {"block 2",
         1,
         2,
         11,
         1,
         5,
         {{"block 5", 2, 5, 8, 2, 3, {}}, {"block 8", 2, 8, 11, 4, 5, {}}}},
        {"block 11", 1, 11, 14, 5, 6, {}},
    };
    EXPECT_EQ(s, want);
    expect_tiles(d, s, 0, 14);
}

TEST(Outline, LevelZeroCountsAsOne) {
    // The zero-level heading still opens its own top-level section and takes the deeper heading
    // as its child; the block itself keeps level 0.
    const Document d = with_headings(6, {{1, 0}, {2, 2}, {4, 0}});
    const auto s = d.sections();
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[1].level, 1);
    EXPECT_EQ(s[1].start, 1u);
    EXPECT_EQ(s[1].end, 4u);
    ASSERT_EQ(s[1].children.size(), 1u);
    EXPECT_EQ(s[1].children[0].start, 2u);
    EXPECT_EQ(s[2].level, 1);
    EXPECT_EQ(s[2].start, 4u);
    EXPECT_EQ(d.blocks[1].level, 0);
    expect_tiles(d, s, 0, 6);
}

TEST(Outline, SkippedLevelsStillTile) {
    // 1, 3, 2, 4, 1: the level-2 heading after a level-3 one becomes its sibling, and a heading
    // deeper than anything before it nests under the nearest shallower one.
    const Document d = with_headings(10, {{0, 1}, {2, 3}, {4, 2}, {6, 4}, {8, 1}});
    const auto s = d.sections();
    ASSERT_EQ(s.size(), 2u);
    ASSERT_EQ(s[0].children.size(), 2u);
    EXPECT_EQ(s[0].children[0].level, 3);
    EXPECT_EQ(s[0].children[1].level, 2);
    ASSERT_EQ(s[0].children[1].children.size(), 1u);
    EXPECT_EQ(s[0].children[1].children[0].end, 8u);
    expect_tiles(d, s, 0, 10);
}

TEST(Outline, SectionOfEmptyRangeHasPageZero) {
    Document d = with_headings(4, {});
    for (auto& b : d.blocks)
        b.page = 3;
    EXPECT_EQ(d.section(std::nullopt, 1, 2, 2, {}).first_page, 0u);
    EXPECT_EQ(d.section(std::nullopt, 1, 2, 2, {}).last_page, 0u);
    EXPECT_EQ(d.section(std::nullopt, 1, 1, 3, {}).first_page, 3u);
}

} // namespace
} // namespace quillstone::doc
