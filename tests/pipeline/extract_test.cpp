#include "pipeline/extract.hpp"

#include <gtest/gtest.h>

namespace quillstone::pipeline {
namespace {

// A page source over prepared pages, failing on one page if asked.
class FakeSource final : public backend::PageSource {
  public:
    std::vector<ir::PageRaw> pages;
    std::optional<std::size_t> fail_at;
    std::size_t calls = 0;

    std::size_t page_count() const override { return pages.size(); }
    Result<ir::PageRaw> page(std::size_t i, ir::FontTable& fonts) override {
        ++calls;
        if (fail_at && *fail_at == i) return Error::pdf_page(static_cast<std::uint32_t>(i), "boom");
        fonts.intern(i % 2 ? "F1" : "F0");
        return pages.at(i);
    }
    Result<std::string> render_region(std::size_t, const ir::Rect&, float) override {
        return std::string();
    }
};

ir::PageRaw text_page(std::size_t i) {
    ir::PageRaw p;
    p.index = i;
    p.width = 612;
    p.height = 792;
    p.glyphs.push_back(ir::Glyph{});
    return p;
}

ir::PageRaw scanned_page(std::size_t i, float coverage = 1.0f) {
    ir::PageRaw p;
    p.index = i;
    p.width = 612;
    p.height = 792;
    p.images.push_back(ir::ImageItem{{0, 0, 612, 792 * coverage}, 0, 2550, 3300});
    return p;
}

FakeSource ten_pages(int scanned) {
    FakeSource s;
    for (int i = 0; i < 10; ++i) {
        const auto idx = static_cast<std::size_t>(i);
        s.pages.push_back(i < scanned ? scanned_page(idx) : text_page(idx));
    }
    return s;
}

TEST(ExtractFrom, MoreThanHalfScannedIsRejected) {
    FakeSource six = ten_pages(6);
    auto r = extract_from(six, "scan.pdf");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error(), Error::scanned_document("scan.pdf", 6, 10));
    EXPECT_EQ(r.error().message(),
              "scan.pdf looks like a scanned document (6/10 pages have no extractable text); "
              "quillstone handles born-digital PDFs only");

    FakeSource five = ten_pages(5);
    auto ok = extract_from(five, "scan.pdf");
    ASSERT_TRUE(ok.ok());
    EXPECT_EQ(ok->pages.size(), 10u);
    EXPECT_EQ(ok->fonts.names, (std::vector<std::string>{"F0", "F1"}));
}

TEST(ExtractFrom, ScannedPageNeedsMoreThanHalfCoverageAndNoGlyphs) {
    EXPECT_TRUE(is_scanned_page(scanned_page(0, 0.51f)));
    EXPECT_FALSE(is_scanned_page(scanned_page(0, 0.5f)));
    ir::PageRaw with_text = scanned_page(0);
    with_text.glyphs.push_back(ir::Glyph{});
    EXPECT_FALSE(is_scanned_page(with_text));
    ir::PageRaw no_area = scanned_page(0);
    no_area.width = 0;
    EXPECT_FALSE(is_scanned_page(no_area));
}

TEST(ExtractFrom, ZeroPagesIsAnEmptyDocument) {
    FakeSource none;
    auto r = extract_from(none, "empty.pdf");
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r->pages.empty());
    EXPECT_TRUE(r->fonts.names.empty());
}

TEST(ExtractFrom, FirstPageErrorEndsExtraction) {
    FakeSource s = ten_pages(0);
    s.fail_at = 3;
    auto r = extract_from(s, "x.pdf");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().message(), "failed while reading page 3: boom");
    EXPECT_EQ(s.calls, 4u);
}

} // namespace
} // namespace quillstone::pipeline
