#include "backend/pdf.hpp"

#include "support/pdf_builder.hpp"

#include <mupdf/fitz.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace quillstone::backend {
namespace {

using testing::FontSpec;
using testing::make_pdf;
using testing::PageSpec;
using testing::PdfSpec;

std::unique_ptr<PdfBackend> open(const std::string& bytes) {
    auto r = PdfBackend::open_bytes(bytes, "mem.pdf");
    if (!r.ok()) ADD_FAILURE() << r.error().debug();
    return r.ok() ? std::move(r).value() : nullptr;
}

ir::PageRaw first_page(const PageSpec& page, ir::FontTable* fonts_out = nullptr) {
    auto backend = open(make_pdf(PdfSpec{{page}, "", ""}));
    if (!backend) return {};
    ir::FontTable fonts;
    auto r = backend->page(0, fonts);
    if (!r.ok()) {
        ADD_FAILURE() << r.error().debug();
        return {};
    }
    if (fonts_out) *fonts_out = fonts;
    return std::move(r).value();
}

std::string text_of(const ir::PageRaw& page) {
    std::string out;
    for (const auto& g : page.glyphs) out += ir::glyph_text(page, g).value_or("?");
    return out;
}

// Counts pixels darker than mid-grey in a PNG, decoded with MuPDF.
int dark_pixels(const std::string& png) {
    fz_context* ctx = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
    int dark = -1;
    fz_buffer* buf = nullptr;
    fz_image* img = nullptr;
    fz_pixmap* pix = nullptr;
    fz_try(ctx) {
        buf = fz_new_buffer_from_copied_data(
            ctx, reinterpret_cast<const unsigned char*>(png.data()), png.size());
        img = fz_new_image_from_buffer(ctx, buf);
        pix = fz_get_pixmap_from_image(ctx, img, nullptr, nullptr, nullptr, nullptr);
        dark = 0;
        const int n = fz_pixmap_components(ctx, pix);
        const unsigned char* s = fz_pixmap_samples(ctx, pix);
        const int count = fz_pixmap_width(ctx, pix) * fz_pixmap_height(ctx, pix);
        for (int i = 0; i < count; ++i)
            if (s[i * n] < 128) ++dark;
    }
    fz_always(ctx) {
        fz_drop_pixmap(ctx, pix);
        fz_drop_image(ctx, img);
        fz_drop_buffer(ctx, buf);
    }
    fz_catch(ctx) { dark = -1; }
    fz_drop_context(ctx);
    return dark;
}

struct RotationCase {
    int rotate;
    float width, height;
    ir::Point origin;  // of a glyph drawn at user (100, 700)
    float angle;
};

class PdfRotation : public ::testing::TestWithParam<RotationCase> {};

TEST_P(PdfRotation, GlyphsLandWhereTheDisplayedPageShowsThem) {
    const auto& c = GetParam();
    PageSpec layout;
    layout.rotate = c.rotate;
    layout.content = "BT /F1 40 Tf 100 700 Td (H) Tj ET";
    auto backend = open(make_pdf(PdfSpec{{layout}, "", ""}));
    ASSERT_TRUE(backend);
    ir::FontTable fonts;
    auto page = backend->page(0, fonts);
    ASSERT_TRUE(page.ok()) << page.error().debug();
    EXPECT_EQ(page->width, c.width);
    EXPECT_EQ(page->height, c.height);
    ASSERT_EQ(page->glyphs.size(), 1u);
    const ir::Glyph& g = page->glyphs[0];
    EXPECT_NEAR(g.origin.x, c.origin.x, 1e-3);
    EXPECT_NEAR(g.origin.y, c.origin.y, 1e-3);
    EXPECT_NEAR(g.angle, c.angle, 1e-5);
    EXPECT_NEAR(g.size, 40, 1e-3);

    // The renderer must agree: ink inside the glyph's box, none in the opposite corner.
    auto ink = backend->render_region(0, g.bbox, 72);
    ASSERT_TRUE(ink.ok()) << ink.error().debug();
    EXPECT_EQ(ink->substr(0, 4), "\x89PNG");
    EXPECT_GT(dark_pixels(*ink), 100);
    const ir::Rect far{page->width - g.bbox.x1, page->height - g.bbox.y1, page->width - g.bbox.x0,
                       page->height - g.bbox.y0};
    auto blank = backend->render_region(0, far, 72);
    ASSERT_TRUE(blank.ok());
    EXPECT_EQ(dark_pixels(*blank), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rotations, PdfRotation,
    ::testing::Values(RotationCase{0, 612, 792, {100, 92}, 0.0f},
                      RotationCase{90, 792, 612, {700, 100}, static_cast<float>(M_PI / 2)},
                      RotationCase{180, 612, 792, {512, 700}, static_cast<float>(M_PI)},
                      RotationCase{270, 792, 612, {92, 512}, static_cast<float>(-M_PI / 2)},
                      RotationCase{-90, 792, 612, {92, 512}, static_cast<float>(-M_PI / 2)}));

TEST(PdfBackend, OffsetMediaBoxAndCropBox) {
    PageSpec offset;
    offset.media = {10, 20, 622, 812};
    offset.content = "BT /F1 10 Tf 110 720 Td (x) Tj ET";
    const ir::PageRaw a = first_page(offset);
    EXPECT_EQ(a.width, 612);
    EXPECT_EQ(a.height, 792);
    ASSERT_EQ(a.glyphs.size(), 1u);
    EXPECT_NEAR(a.glyphs[0].origin.x, 100, 1e-3);
    EXPECT_NEAR(a.glyphs[0].origin.y, 92, 1e-3);

    PageSpec cropped;
    cropped.crop = std::array<float, 4>{50, 50, 562, 742};
    cropped.content = "BT /F1 10 Tf 100 700 Td (x) Tj ET";
    const ir::PageRaw b = first_page(cropped);
    EXPECT_EQ(b.width, 512);
    EXPECT_EQ(b.height, 692);
    ASSERT_EQ(b.glyphs.size(), 1u);
    EXPECT_NEAR(b.glyphs[0].origin.x, 50, 1e-3);
    EXPECT_NEAR(b.glyphs[0].origin.y, 42, 1e-3);
}

TEST(PdfBackend, LigaturesMultiCharacterMappingsAndControls) {
    PageSpec layout;
    layout.fonts[0].to_unicode = {"<41> <FB01>", "<42> <00660069>", "<43> <0003>", "<44> <0020>"};
    layout.content = "BT /F1 10 Tf 100 700 Td (ABCDE) Tj ET";
    const ir::PageRaw page = first_page(layout);
    // A: the ligature expanded; B: one glyph reading "fi", not two; C: control only, dropped;
    // D: a space is kept; E: no mapping for it in the CMap, so MuPDF falls back to the encoding.
    ASSERT_EQ(page.glyphs.size(), 4u);
    EXPECT_EQ(page.glyphs[0].text, ir::GlyphText::expanded(0));
    EXPECT_EQ(page.glyphs[1].text, ir::GlyphText::expanded(1));
    EXPECT_EQ(page.expansions, (std::vector<std::string>{"fi", "fi"}));
    EXPECT_EQ(page.glyphs[2].text, ir::GlyphText::character(U' '));
    EXPECT_EQ(text_of(page), "fifi E");
}

TEST(PdfBackend, SurrogatesFromToUnicodeBecomeValidText) {
    PageSpec layout;
    layout.fonts[0].to_unicode = {"<41> <D835DC9C>", "<42> <D835>", "<43> <DC9C0041>"};
    layout.content = "BT /F1 10 Tf 100 700 Td (ABC) Tj ET";
    const ir::PageRaw page = first_page(layout);
    ASSERT_EQ(page.glyphs.size(), 3u);
    // A pair is one character; a half on its own cannot be written in UTF-8 and is replaced.
    EXPECT_EQ(page.glyphs[0].text, ir::GlyphText::character(U'\U0001D49C'));
    EXPECT_EQ(page.glyphs[1].text, ir::GlyphText::character(U'\uFFFD'));
    EXPECT_EQ(ir::glyph_text(page, page.glyphs[2]), "\xEF\xBF\xBD" "A");
}

TEST(PdfBackend, FontNamesFlagsAndColour) {
    PageSpec layout;
    layout.fonts = {FontSpec{"F1", "ABCDEF+Helvetica-Bold", {}, 4 | (1 << 18)},
                  FontSpec{"F2", "Courier", {}, -1}};
    layout.content = "BT 1 0 0 rg /F1 10 Tf 100 700 Td (ab) Tj /F2 10 Tf (c) Tj ET";
    ir::FontTable fonts;
    const ir::PageRaw page = first_page(layout, &fonts);
    ASSERT_EQ(page.glyphs.size(), 3u);
    EXPECT_EQ(fonts.names, (std::vector<std::string>{"ABCDEF+Helvetica-Bold", "Courier"}));
    EXPECT_TRUE(page.glyphs[0].flags & ir::glyph_flags::bold);
    EXPECT_TRUE(page.glyphs[0].flags & ir::glyph_flags::symbolic);
    EXPECT_TRUE(page.glyphs[2].flags & ir::glyph_flags::fixed_pitch);
    EXPECT_EQ(page.glyphs[0].color, 0xFFFF0000u);
    EXPECT_EQ(page.glyphs[1].font, 0u);
    EXPECT_EQ(page.glyphs[2].font, 1u);
}

TEST(PdfBackend, FillAndStrokeOfOnePathIsOneItem) {
    PageSpec layout;
    layout.content =
        "2 w 100 400 m 300 400 l 100 300 m 300 300 l 100 200 m 300 200 l S\n"  // three rules
        "1 0 0 rg 0 0 1 RG 100 500 200 50 re B\n"                               // fill + stroke
        "0 0 1 RG 400 100 100 50 re S\n";                                       // stroke only
    const ir::PageRaw page = first_page(layout);
    ASSERT_EQ(page.paths.size(), 5u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(page.paths[i].kind, ir::PathKind::HorizontalRule);
        EXPECT_NEAR(page.paths[i].thickness, 2, 1e-4);
    }
    const ir::PathItem& both = page.paths[3];
    EXPECT_TRUE(both.filled);
    EXPECT_TRUE(both.stroked);
    EXPECT_EQ(both.kind, ir::PathKind::Box);
    EXPECT_EQ(both.color, 0xFFFF0000u);  // the fill colour wins
    EXPECT_NEAR(both.bbox.x0, 99, 1e-3);  // widened by half the line width
    EXPECT_NEAR(both.bbox.y0, 792 - 551, 1e-3);
    const ir::PathItem& box = page.paths[4];
    EXPECT_FALSE(box.filled);
    EXPECT_EQ(box.kind, ir::PathKind::Box);
    EXPECT_EQ(box.color, 0xFF0000FFu);
}

TEST(PdfBackend, ImagesAndImageMasks) {
    PageSpec layout;
    layout.images = {testing::ImageSpec{"Im1", 4, 3}};
    layout.content = "q 200 0 0 100 50 50 cm /Im1 Do Q q 10 0 0 10 -100 -100 cm /Im1 Do Q "
                   "q 100 0 0 100 400 400 cm /Im1 Do Q "
                   "q 20 0 0 10 10 10 cm BI /W 8 /H 1 /IM true /BPC 1 ID \xAA EI Q";
    const ir::PageRaw page = first_page(layout);
    ASSERT_EQ(page.images.size(), 3u);
    EXPECT_EQ(page.images[0].bbox, (ir::Rect{50, 642, 250, 742}));
    EXPECT_EQ(page.images[0].pixel_width, 4u);
    EXPECT_EQ(page.images[0].pixel_height, 3u);
    EXPECT_EQ(page.images[0].object_index, 0u);
    EXPECT_EQ(page.images[1].object_index, 2u);  // the off-page one still counted
    // A stencil mask paints like an image and counts as one.
    EXPECT_EQ(page.images[2].bbox, (ir::Rect{10, 772, 30, 782}));
    EXPECT_EQ(page.images[2].pixel_width, 8u);
}

TEST(PdfBackend, PageOutOfRange) {
    auto backend = open(make_pdf(PdfSpec{{PageSpec{}}, "", ""}));
    ASSERT_TRUE(backend);
    EXPECT_EQ(backend->page_count(), 1u);
    ir::FontTable fonts;
    auto r = backend->page(1, fonts);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error(), Error::page_out_of_range(1));
    auto render = backend->render_region(5, {0, 0, 10, 10}, 72);
    ASSERT_FALSE(render.ok());
    EXPECT_EQ(render.error().message(), "page 5 is out of range");
}

TEST(PdfBackend, Encryption) {
    PageSpec page;
    page.content = "BT /F1 10 Tf 100 700 Td (secret) Tj ET";
    // An owner password alone: opens with the empty user password and reads normally.
    auto open_ok = PdfBackend::open_bytes(make_pdf(PdfSpec{{page}, "", "owner"}), "a.pdf");
    ASSERT_TRUE(open_ok.ok()) << open_ok.error().debug();
    ir::FontTable fonts;
    auto read = (*open_ok)->page(0, fonts);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(text_of(*read), "secret");

    auto locked = PdfBackend::open_bytes(make_pdf(PdfSpec{{page}, "user", "owner"}), "b.pdf");
    ASSERT_FALSE(locked.ok());
    EXPECT_EQ(locked.error().message(), "could not open the document: b.pdf: invalid password");

    // A security handler nobody implements: the scheme is named as unsupported.
    std::string odd = make_pdf(PdfSpec{{page}, "", "owner"});
    const auto at = odd.find("/Standard");
    ASSERT_NE(at, std::string::npos);
    odd.replace(at, 9, "/Homebrew");
    auto unsupported = PdfBackend::open_bytes(odd, "c.pdf");
    ASSERT_FALSE(unsupported.ok());
    EXPECT_EQ(unsupported.error().message().rfind(
                  "could not open the document: c.pdf: unsupported encryption: ", 0),
              0u)
        << unsupported.error().message();
}

TEST(PdfBackend, UnreadableInputs) {
    namespace fs = std::filesystem;
    const std::string dir = testing::temp_dir();
    struct Case {
        std::string path;
        std::string expected_prefix;
    };
    const std::string valid = make_pdf(PdfSpec{{PageSpec{}}, "", ""});
    const Case cases[] = {
        {dir + "/missing.pdf",
         "could not open the document: " + dir +
             "/missing.pdf: io error: No such file or directory (os error 2)"},
        {dir, "could not open the document: " + dir + ": io error: Is a directory (os error 21)"},
        {testing::write_temp("", "empty.pdf"), "could not open the document: " + dir +
                                                   "/empty.pdf: malformed pdf: "},
        {testing::write_temp(std::string(3000, '\x9c'), "random.pdf"),
         "could not open the document: " + dir + "/random.pdf: malformed pdf: "},
        {testing::write_temp(valid.substr(0, 40), "truncated.pdf"),
         "could not open the document: " + dir + "/truncated.pdf: malformed pdf: "},
    };
    for (const Case& c : cases) {
        auto r = PdfBackend::open_with_password(c.path);
        ASSERT_FALSE(r.ok()) << c.path;
        EXPECT_EQ(r.error().kind, ErrorKind::PdfOpen);
        EXPECT_EQ(r.error().message().substr(0, c.expected_prefix.size()), c.expected_prefix)
            << r.error().message();
    }
}

TEST(PdfBackend, DamagedPageTreeFailsOnThatPage) {
    std::string bytes = make_pdf(PdfSpec{{PageSpec{}}, "", ""});
    // Claim a second page that the tree does not hold; same length keeps the xref valid.
    const auto at = bytes.find("/Count 1");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 8, "/Count 2");
    auto backend = open(bytes);
    ASSERT_TRUE(backend);
    ASSERT_EQ(backend->page_count(), 2u);
    ir::FontTable fonts;
    EXPECT_TRUE(backend->page(0, fonts).ok());
    auto r = backend->page(1, fonts);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().kind, ErrorKind::PdfPage);
    EXPECT_EQ(r.error().message().rfind("failed while reading page 1: malformed pdf: ", 0), 0u)
        << r.error().message();
}

} // namespace
} // namespace quillstone::backend

namespace quillstone::backend {
namespace {

// Enough drawing that interpreting the page takes many allocations.
std::string busy_page_pdf() {
    PageSpec layout;
    layout.content = "BT /F1 10 Tf 72 760 Td ";
    for (int line = 0; line < 60; ++line)
        layout.content += "(" + std::string(80, 'm') + ") Tj 0 -12 Td ";
    layout.content += "ET ";
    for (int k = 0; k < 2000; ++k)
        layout.content += std::to_string(k % 500) + " 100 m " + std::to_string(k % 500 + 3) +
                        " 200 l S ";
    return make_pdf(PdfSpec{{layout}, "", ""});
}

TEST(PdfBackendLimits, APageOverItsTimeFailsAsAReaderError) {
    ReaderLimits limits;
    limits.page_time = std::chrono::milliseconds(0);
    auto backend = PdfBackend::open_bytes(busy_page_pdf(), "slow.pdf", limits);
    ASSERT_TRUE(backend.ok()) << backend.error().debug();
    ir::FontTable fonts;
    auto page = (*backend)->page(0, fonts);
    ASSERT_FALSE(page.ok());
    EXPECT_EQ(page.error().message(),
              "failed while reading page 0: resource limit: the page took longer than 0 s to "
              "interpret");
}

TEST(PdfBackendLimits, APageOverTheMemoryCeilingFailsAsAReaderError) {
    // Find the smallest ceiling that still opens the document, then page interpretation (which
    // loads a font and builds paths) must hit it.
    const std::string bytes = busy_page_pdf();
    bool checked = false;
    for (std::size_t kib = 256; kib <= 64 * 1024 && !checked; kib *= 2) {
        ReaderLimits limits;
        limits.memory_bytes = kib * 1024;
        auto backend = PdfBackend::open_bytes(bytes, "big.pdf", limits);
        if (!backend.ok()) continue;
        ir::FontTable fonts;
        auto page = (*backend)->page(0, fonts);
        if (page.ok()) break;
        EXPECT_EQ(page.error().message(),
                  "failed while reading page 0: resource limit: the page needs more than " +
                      std::to_string(kib / 1024) + " MiB of memory");
        checked = true;
    }
    EXPECT_TRUE(checked) << "no ceiling between opening and reading the page was found";

    // With the real ceiling the same page reads normally.
    auto backend = PdfBackend::open_bytes(bytes, "big.pdf");
    ASSERT_TRUE(backend.ok());
    ir::FontTable fonts;
    EXPECT_TRUE((*backend)->page(0, fonts).ok());
}

} // namespace
} // namespace quillstone::backend
