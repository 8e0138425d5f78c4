#include "layout/order.hpp"

#include <gtest/gtest.h>

#include <string>

namespace quillstone::layout::order {
namespace {

using text::lines::Line;

Line box(std::string name, float x0, float y0, float x1, float y1) {
    Line l;
    l.bbox = {x0, y0, x1, y1};
    l.baseline = y1;
    l.size = y1 - y0;
    text::lines::Word w;
    w.text = std::move(name);
    l.words.push_back(w);
    return l;
}

// "L3" and the like (built by appending: GCC 12 warns falsely about "L" + std::string).
std::string tag(char column, int i) {
    std::string out(1, column);
    out += std::to_string(i);
    return out;
}

std::vector<std::string> names(const std::vector<Line>& lines) {
    std::vector<std::string> out;
    for (const Line& l : lines) out.push_back(l.text());
    return out;
}

TEST(ReadingOrder, ZeroOrOneLineComesBackUnchanged) {
    EXPECT_TRUE(reading_order({}).empty());
    EXPECT_EQ(names(reading_order({box("a", 0, 0, 10, 10)})), (std::vector<std::string>{"a"}));
}

TEST(ReadingOrder, TwoLinesSideBySideAreReadByBaseline) {
    // A 30-point blank, but fewer than four lines never split into columns; overlapping y ranges
    // leave no horizontal gap either.
    EXPECT_EQ(names(reading_order({box("right", 200, 100, 300, 110), box("left", 50, 101, 170, 111)})),
              (std::vector<std::string>{"right", "left"}));
    EXPECT_EQ(names(reading_order({box("right", 200, 100, 300, 110), box("left", 50, 100, 170, 110)})),
              (std::vector<std::string>{"left", "right"}));
}

TEST(ReadingOrder, TitleThenLeftColumnThenRightColumn) {
    std::vector<Line> lines;
    // Interleaved the way line building returns them: by baseline across both columns.
    for (int i = 0; i < 20; ++i) {
        const float y = 100 + 12.0f * static_cast<float>(i);
        lines.push_back(box(tag('L', i), 72, y, 300, y + 10));
        lines.push_back(box(tag('R', i), 312, y, 540, y + 10));
    }
    lines.push_back(box("title", 72, 60, 540, 76));
    std::vector<std::string> expected{"title"};
    for (int i = 0; i < 20; ++i) expected.push_back(tag('L', i));
    for (int i = 0; i < 20; ++i) expected.push_back(tag('R', i));
    EXPECT_EQ(names(reading_order(lines)), expected);
}

TEST(ReadingOrder, ColumnStripMustExceedNinePoints) {
    for (const auto& [strip, split] : {std::pair{9.0f, false}, std::pair{9.01f, true}}) {
        std::vector<Line> lines;
        for (int i = 0; i < 2; ++i) {
            const float y = 100 + 12.0f * static_cast<float>(i);
            lines.push_back(box(tag('L', i), 100, y, 200, y + 10));
            lines.push_back(box(tag('R', i), 200 + strip, y, 300, y + 10));
        }
        const std::vector<std::string> columns{"L0", "L1", "R0", "R1"};
        const std::vector<std::string> rows{"L0", "R0", "L1", "R1"};
        EXPECT_EQ(names(reading_order(lines)), split ? columns : rows) << strip;
    }
}

TEST(ReadingOrder, BlockGapMustExceedFifteenPercentOfTheLineHeight) {
    // Lines of height 10, so u = 10 and blocks need a blank wider than 1.5. The upper line's
    // baseline is set below the lower one's, so reading by baseline reverses them.
    for (const auto& [gap, split] : {std::pair{1.5f, false}, std::pair{1.6f, true}}) {
        Line up = box("up", 0, 0, 100, 10);
        up.baseline = 50;
        const Line low = box("low", 0, 10 + gap, 100, 20 + gap);
        EXPECT_EQ(names(reading_order({up, low})),
                  split ? (std::vector<std::string>{"up", "low"})
                        : (std::vector<std::string>{"low", "up"}))
            << gap;
    }
}

TEST(SplitOnAxis, StripsWithinEightyFivePercentOfTheWidestSplitTogether) {
    for (const auto& [second, groups] : {std::pair{18.0f, 3u}, std::pair{16.0f, 2u}}) {
        // Three blocks on the y axis separated by blanks of 20 and `second` points.
        const std::vector<Line> lines{box("a", 0, 0, 100, 10), box("b", 0, 30, 100, 40),
                                      box("c", 0, 40 + second, 100, 50 + second)};
        const auto split =
            split_on_axis(std::vector<std::uint32_t>{2, 0, 1}, lines, Axis::Horizontal, 1.5f);
        ASSERT_TRUE(split.has_value());
        EXPECT_EQ(split->size(), groups) << second;
        EXPECT_EQ(split->front(), (std::vector<std::uint32_t>{0}));
    }
}

TEST(SplitOnAxis, GapsAreMeasuredFromEverythingThatStartsBefore) {
    // b starts inside a long line a; c starts 20 points after a's end, not after b's.
    const std::vector<Line> lines{box("a", 0, 0, 300, 10), box("b", 50, 0, 100, 10),
                                  box("c", 320, 0, 400, 10)};
    const auto split =
        split_on_axis(std::vector<std::uint32_t>{0, 1, 2}, lines, Axis::Vertical, 9.0f);
    ASSERT_TRUE(split.has_value());
    EXPECT_EQ(*split, (std::vector<std::vector<std::uint32_t>>{{0, 1}, {2}}));
    EXPECT_FALSE(split_on_axis(std::vector<std::uint32_t>{0, 1, 2}, lines, Axis::Vertical, 20.0f));
    EXPECT_FALSE(split_on_axis(std::vector<std::uint32_t>{}, lines, Axis::Vertical, 9.0f));
}

TEST(ReadingOrder, RecursionStopsThirtyTwoLevelsDown) {
    // Blanks shrinking by 0.84 from one line to the next: each level splits off one line only.
    // Baselines run upward, so the leaf at the depth limit reads its lines bottom to top.
    std::vector<Line> lines;
    float y = 0, gap = 1000;
    for (int i = 0; i < 50; ++i) {
        Line l = box(std::to_string(i), 0, y, 100, y + 10);
        l.baseline = -y;
        lines.push_back(l);
        y += 10 + gap;
        gap *= 0.84f;
    }
    std::vector<std::string> expected;
    for (int i = 0; i < 32; ++i) expected.push_back(std::to_string(i));
    for (int i = 49; i >= 32; --i) expected.push_back(std::to_string(i));
    EXPECT_EQ(names(reading_order(lines)), expected);
}

} // namespace
} // namespace quillstone::layout::order
