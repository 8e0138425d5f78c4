#include "pipeline/convert.hpp"

#include "doc/json.hpp"
#include "support/pdf_builder.hpp"

#include <oneapi/tbb/global_control.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace quillstone::pipeline {
namespace {

namespace fs = std::filesystem;

std::string fixture(const char* name) { return std::string(QUILLSTONE_FIXTURES) + "/" + name; }

doc::Document convert(const std::string& path, const ConvertOptions& options = {}) {
    auto r = convert_with(path, options);
    if (!r.ok()) {
        ADD_FAILURE() << r.error().debug();
        return {};
    }
    return std::move(r).value();
}

const doc::Block* find_block(const doc::Document& d, doc::BlockKind kind, const std::string& text) {
    for (const auto& b : d.blocks)
        if (b.kind == kind && b.text == text) return &b;
    return nullptr;
}

TEST(ConvertWith, TwoColumnPaperEndToEnd) {
    const doc::Document d = convert(fixture("two-column.pdf"));
    EXPECT_EQ(d.title, "Sparse Lattices for Estuary Tide Forecasting");
    struct Heading {
        const char* text;
        std::uint8_t level;
    };
    for (const Heading h : {Heading{"1 Introduction", 1}, Heading{"2 Model", 1},
                            Heading{"2.1 Harmonic backbone", 2}, Heading{"3 Experiments", 1},
                            Heading{"3.1 Protocol", 2}}) {
        const doc::Block* b = find_block(d, doc::BlockKind::Heading, h.text);
        ASSERT_NE(b, nullptr) << h.text;
        EXPECT_EQ(b->level, h.level) << h.text;
    }
    // Body text comes out whole, in reading order, with the second column after the first.
    std::size_t intro = 0, model = 0;
    for (std::size_t i = 0; i < d.blocks.size(); ++i) {
        if (d.blocks[i].text.find("Tidal prediction is one of the oldest problems") == 0) intro = i;
        if (d.blocks[i].text == "2 Model") model = i;
    }
    EXPECT_GT(intro, 0u);
    EXPECT_GT(model, intro);
    const doc::Block* list =
        find_block(d, doc::BlockKind::ListItem,
                   "\u2022 it trains in seconds on a laptop, even for a decade of hourly data.");
    EXPECT_NE(list, nullptr);
    for (const auto& b : d.blocks) EXPECT_FALSE(b.asset.has_value());
}

TEST(ConvertWith, SameInputSameDocumentWhateverTheThreads) {
    for (const char* name : {"two-column.pdf", "one-column.pdf", "landscape.pdf"}) {
        const std::string first = doc::to_json(convert(fixture(name)), json::Layout::Compact);
        EXPECT_EQ(doc::to_json(convert(fixture(name)), json::Layout::Compact), first) << name;
        tbb::global_control one(tbb::global_control::max_allowed_parallelism, 1);
        EXPECT_EQ(doc::to_json(convert(fixture(name)), json::Layout::Compact), first) << name;
    }
}

TEST(ConvertWith, AssetsDirectory) {
    const fs::path base = fs::path(testing::temp_dir()) / "assets-test";
    fs::remove_all(base);
    ConvertOptions options;
    options.assets = (base / "a" / "b").string();
    (void)convert(fixture("one-column.pdf"), options);
    EXPECT_TRUE(fs::is_directory(base / "a" / "b"));

    // Below a regular file the directory cannot exist: the conversion fails naming it.
    const std::string file = testing::write_temp("x", "plain-file");
    options.assets = file + "/assets";
    auto r = convert_with(fixture("one-column.pdf"), options);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().kind, ErrorKind::Io);
    EXPECT_EQ(r.error().path, file + "/assets");
}

TEST(ConvertWith, ErrorsComeBeforeAnyTextStage) {
    testing::PageSpec scan;
    scan.images = {testing::ImageSpec{}};
    scan.content = "q 612 0 0 792 0 0 cm /Im1 Do Q";
    const std::string path =
        testing::write_temp(testing::make_pdf(testing::PdfSpec{{scan}, "", ""}), "scan-conv.pdf");
    auto r = convert_with(path, {});
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error(), Error::scanned_document(path, 1, 1));

    auto missing = convert_with(testing::temp_dir() + "/none.pdf", {});
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().kind, ErrorKind::PdfOpen);

    // No pages at all is no error: an empty document.
    testing::PdfSpec empty;
    auto blank = convert_with(testing::write_temp(testing::make_pdf(empty), "no-pages.pdf"), {});
    ASSERT_TRUE(blank.ok()) << blank.error().debug();
    EXPECT_TRUE(blank->blocks.empty());
    EXPECT_FALSE(blank->title.has_value());
}

} // namespace
} // namespace quillstone::pipeline
