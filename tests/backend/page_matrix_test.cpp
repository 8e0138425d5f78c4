#include "backend/page_matrix.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace quillstone::backend {
namespace {

struct RotationCase {
    int raw;
    int normalised;
    float width, height;
    ir::Point origin_maps_to;      // user (0, 0)
    ir::Point top_left_maps_to;    // user (0, 792)
};

class RotationTable : public ::testing::TestWithParam<RotationCase> {};

TEST_P(RotationTable, MapsCornersOfLetterPage) {
    const auto& c = GetParam();
    const PageMatrix m = page_matrix({0, 0, 612, 792}, c.raw);
    EXPECT_EQ(m.rotation, c.normalised);
    EXPECT_EQ(m.width, c.width);
    EXPECT_EQ(m.height, c.height);
    EXPECT_EQ(m.point(0, 0), c.origin_maps_to);
    EXPECT_EQ(m.point(0, 792), c.top_left_maps_to);
}

INSTANTIATE_TEST_SUITE_P(
    Rotations, RotationTable,
    ::testing::Values(RotationCase{0, 0, 612, 792, {0, 792}, {0, 0}},
                      RotationCase{90, 90, 792, 612, {0, 0}, {792, 0}},
                      RotationCase{180, 180, 612, 792, {612, 0}, {612, 792}},
                      RotationCase{270, 270, 792, 612, {792, 612}, {0, 612}},
                      RotationCase{-90, 270, 792, 612, {792, 612}, {0, 612}},
                      RotationCase{450, 90, 792, 612, {0, 0}, {792, 0}}));

TEST(PageMatrix, OffsetBoxStartsAtZero) {
    const PageMatrix m = page_matrix({10, 20, 622, 812}, 0);
    EXPECT_EQ(m.width, 612);
    EXPECT_EQ(m.height, 792);
    EXPECT_EQ(m.point(10, 812), (ir::Point{0, 0}));
    EXPECT_EQ(m.point(622, 20), (ir::Point{612, 792}));
    // Every rotation keeps the offset box inside 0..width x 0..height.
    for (int r : {90, 180, 270}) {
        const PageMatrix rm = page_matrix({10, 20, 622, 812}, r);
        const ir::Rect whole = rm.rect({10, 20, 622, 812});
        EXPECT_EQ(whole, (ir::Rect{0, 0, rm.width, rm.height})) << r;
    }
}

TEST(PageMatrix, DirectionsIgnoreTranslationAndFlipY) {
    const PageMatrix m = page_matrix({10, 20, 622, 812}, 0);
    EXPECT_EQ(m.direction(1, 0), (ir::Point{1, 0}));
    // Text running up the page in user space runs towards smaller y on the page.
    EXPECT_EQ(m.direction(0, 1), (ir::Point{0, -1}));
}

TEST(PageMatrix, RectIgnoresNaNCorner) {
    const PageMatrix m = page_matrix({0, 0, 100, 100}, 0);
    const ir::Rect r = m.rect({NAN, 10, 50, 20});
    EXPECT_EQ(r, (ir::Rect{50, 80, 50, 90}));
}

} // namespace
} // namespace quillstone::backend
