// The LaTeX fixtures read through the real MuPDF page source: page geometry, rotation and the
// content each source is known to carry. Guards both the fixtures and the reader's mapping.

#include "backend/pdf.hpp"
#include "pipeline/extract.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace quillstone::backend {
namespace {

ir::DocRaw extract(const std::string& name) {
    const std::string path = std::string(QUILLSTONE_FIXTURES) + "/" + name;
    auto backend = PdfBackend::open_with_password(path);
    if (!backend) {
        ADD_FAILURE() << "cannot open " << path;
        return {};
    }
    auto doc = pipeline::extract_from(**backend, path);
    if (!doc) {
        ADD_FAILURE() << "cannot extract " << path;
        return {};
    }
    return std::move(doc).value();
}

std::string page_text(const ir::PageRaw& page) {
    std::string out;
    for (const auto& g : page.glyphs) out += ir::glyph_text(page, g).value_or("");
    return out;
}

struct Geometry {
    const char* file;
    std::vector<int> rotations;  // one per page
};

class FixtureGeometry : public ::testing::TestWithParam<Geometry> {};

TEST_P(FixtureGeometry, PagesAreLetterSizedAndUprightAfterRotation) {
    const Geometry& want = GetParam();
    const ir::DocRaw doc = extract(want.file);
    ASSERT_EQ(doc.pages.size(), want.rotations.size());
    for (std::size_t i = 0; i < doc.pages.size(); ++i) {
        const ir::PageRaw& page = doc.pages[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(page.rotation, want.rotations[i]);
        const bool landscape = want.rotations[i] % 180 != 0;
        EXPECT_EQ(page.width, landscape ? 792.0f : 612.0f);
        EXPECT_EQ(page.height, landscape ? 612.0f : 792.0f);
        // Body text reads left to right on the displayed page, rotated or not.
        const auto level = std::count_if(page.glyphs.begin(), page.glyphs.end(),
                                         [](const ir::Glyph& g) { return std::fabs(g.angle) < 1e-3f; });
        EXPECT_GT(level, static_cast<std::ptrdiff_t>(page.glyphs.size() * 9 / 10));
        for (const auto& g : page.glyphs) {
            EXPECT_GE(g.bbox.x0, 0.0f);
            EXPECT_GE(g.bbox.y0, 0.0f);
            EXPECT_LE(g.bbox.x1, page.width);
            EXPECT_LE(g.bbox.y1, page.height);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Latex, FixtureGeometry,
                         ::testing::Values(Geometry{"two-column.pdf", {0, 0}},
                                           Geometry{"one-column.pdf", {0, 0}},
                                           Geometry{"landscape.pdf", {0, 90, 0}}));

TEST(Fixtures, LigaturesExpandToTheirLetters) {
    const ir::DocRaw doc = extract("one-column.pdf");
    ASSERT_FALSE(doc.pages.empty());
    const ir::PageRaw& page = doc.pages[0];
    for (const char* lig : {"fi", "fl", "ffi"})
        EXPECT_NE(std::find(page.expansions.begin(), page.expansions.end(), lig),
                  page.expansions.end())
            << lig;
    EXPECT_NE(page_text(page).find("officialaffiliation"), std::string::npos);
}

TEST(Fixtures, LandscapeTableRulesSpanTheWidePage) {
    const ir::DocRaw doc = extract("landscape.pdf");
    ASSERT_EQ(doc.pages.size(), 3u);
    const ir::PageRaw& page = doc.pages[1];
    std::size_t rules = 0;
    for (const auto& p : page.paths)
        if (p.kind == ir::PathKind::HorizontalRule && p.bbox.width() > 400.0f) ++rules;
    EXPECT_EQ(rules, 3u);
    EXPECT_NE(page_text(page).find("MonthlycountsTable1"), std::string::npos);
}

TEST(Fixtures, TwoColumnCarriesTableRulesAndFigureMarks) {
    const ir::DocRaw doc = extract("two-column.pdf");
    ASSERT_EQ(doc.pages.size(), 2u);
    const ir::PageRaw& page = doc.pages[1];
    const auto count = [&](ir::PathKind kind) {
        return std::count_if(page.paths.begin(), page.paths.end(),
                             [&](const ir::PathItem& p) { return p.kind == kind; });
    };
    EXPECT_GE(count(ir::PathKind::HorizontalRule), 3);  // the table's three rules
    EXPECT_EQ(count(ir::PathKind::Box), 13);            // the lattice nodes in the figure
    EXPECT_NE(page_text(doc.pages[0]).find("SparseLatticesforEstuaryTideForecasting"),
              std::string::npos);
}

// Conversion drops the reader's caches after extraction; the document must read and render the
// same afterwards, with fonts and images reloaded rather than left dangling.
TEST(Fixtures, PagesReadAndRenderTheSameAfterReleasingCaches) {
    const std::string path = std::string(QUILLSTONE_FIXTURES) + "/two-column.pdf";
    auto backend = PdfBackend::open_with_password(path);
    ASSERT_TRUE(backend.ok());
    auto before = pipeline::extract_from(**backend, path);
    ASSERT_TRUE(before.ok());
    const auto& glyph = before->pages[0].glyphs.at(0);
    auto render_before = (*backend)->render_region(0, glyph.bbox, 150);
    ASSERT_TRUE(render_before.ok());

    (*backend)->release_caches();
    ir::FontTable fonts = before->fonts;
    for (std::size_t i = 0; i < before->pages.size(); ++i) {
        auto again = (*backend)->page(i, fonts);
        ASSERT_TRUE(again.ok());
        EXPECT_EQ(*again, before->pages[i]) << "page " << i;
    }
    EXPECT_EQ(fonts, before->fonts);
    auto render_after = (*backend)->render_region(0, glyph.bbox, 150);
    ASSERT_TRUE(render_after.ok());
    EXPECT_EQ(*render_after, *render_before);
}

} // namespace
} // namespace quillstone::backend
