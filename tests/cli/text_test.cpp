#include "cli/cli.hpp"
#include "cli/commands.hpp"
#include "support/cli_runner.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace quillstone::cli {
namespace {

namespace fs = std::filesystem;

struct TextRun {
    float x, y;  // PDF user space: y up from the bottom of a 612 x 792 page
    std::string text;
};

// A minimal PDF with one Helvetica text run per entry, one page per list.
std::string make_pdf(const std::vector<std::vector<TextRun>>& pages) {
    std::vector<std::string> objects;
    const std::size_t first_page = 4;
    std::string kids;
    for (std::size_t i = 0; i < pages.size(); ++i)
        kids += std::to_string(first_page + 2 * i) + " 0 R ";
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " +
                      std::to_string(pages.size()) + " >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    for (std::size_t i = 0; i < pages.size(); ++i) {
        std::string content;
        for (const TextRun& t : pages[i])
            content += "BT /F1 10 Tf " + std::to_string(t.x) + " " + std::to_string(t.y) +
                       " Td (" + t.text + ") Tj ET\n";
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << "
                          "/Font << /F1 3 0 R >> >> /Contents " +
                          std::to_string(first_page + 2 * i + 1) + " 0 R >>");
        objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" +
                          content + "endstream");
    }
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const std::size_t off : offsets) {
        std::string n = std::to_string(off);
        pdf += std::string(10 - n.size(), '0') + n + " 00000 n \n";
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

class TextCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("quillstone-text-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string write(const std::string& name, const std::vector<std::vector<TextRun>>& pages) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << make_pdf(pages);
        return path.string();
    }

    static testing::CliOutcome run_cli(std::vector<std::string> args) {
        return testing::run_cli(std::move(args));
    }

    fs::path dir_;
};

TEST_F(TextCommand, PrintsEveryPageWithItsLines) {
    const auto pdf = write("two.pdf", {{{72, 700, "Hello world"}, {72, 680, "Second line"}},
                                       {},
                                       {{72, 700, "Last page"}}});
    const auto r = run_cli({"text", pdf});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "--- page 0 ---\nHello world\nSecond line\n--- page 1 ---\n"
                     "--- page 2 ---\nLast page\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(TextCommand, PageOptionSelectsOnePageAndBeyondTheLastPrintsNothing) {
    std::vector<std::vector<TextRun>> pages;
    for (int i = 0; i < 5; ++i) pages.push_back({{72, 700, "Page " + std::to_string(i)}});
    const auto pdf = write("five.pdf", pages);
    const auto first = run_cli({"text", pdf, "--page", "0"});
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.out, "--- page 0 ---\nPage 0\n");
    const auto beyond = run_cli({"text", pdf, "-p", "7"});
    EXPECT_EQ(beyond.status, 0);
    EXPECT_EQ(beyond.out, "");
    EXPECT_EQ(beyond.err, "");
}

TEST_F(TextCommand, GeometryPrefixesBaselineRangeAndSize) {
    const auto pdf = write("geometry.pdf", {{{72, 719.5f, "Hello"}}});
    const auto r = run_cli({"text", pdf, "--geometry"});
    EXPECT_EQ(r.status, 0);
    // Baseline 792 - 719.5; the ink of H starts a little right of the origin.
    EXPECT_TRUE(r.out.starts_with("--- page 0 ---\n[y=  72.50 x=  7")) << r.out;
    EXPECT_TRUE(r.out.ends_with(" size=10.00] Hello\n")) << r.out;

    text::lines::Line line;
    line.baseline = 72.5f;
    line.bbox = {56.0f, 60.0f, 300.4f, 75.0f};
    line.size = 10.0f;
    text::lines::Word word;
    word.text = "text";
    line.words.push_back(word);
    EXPECT_EQ(listing_line(line, true), "[y=  72.50 x=  56.0.. 300.4 size=10.00] text\n");
    EXPECT_EQ(listing_line(line, false), "text\n");
    line.words.clear();
    line.baseline = 1234.567f;
    line.size = 123.456f;
    EXPECT_EQ(listing_line(line, true), "[y=1234.57 x=  56.0.. 300.4 size=123.46] \n");
}

TEST_F(TextCommand, UnreadableFileIsReportedAsExtracting) {
    const std::string missing = (dir_ / "missing.pdf").string();
    const auto r = run_cli({"text", missing});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.starts_with("Error: extracting " + missing + "\n\nCaused by:\n    "))
        << r.err;
}

} // namespace
} // namespace quillstone::cli
