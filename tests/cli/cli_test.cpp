#include "cli/cli.hpp"

#include "support/cli_runner.hpp"
#include "support/pdf_builder.hpp"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <sys/wait.h>

namespace quillstone::cli {
namespace {

using testing::FontSpec;
using testing::make_pdf;
using testing::PageSpec;
using testing::PdfSpec;

using Outcome = testing::CliOutcome;
using testing::run_cli;

std::string text_pdf(const std::string& name, int pages) {
    PdfSpec layout;
    for (int i = 0; i < pages; ++i) {
        PageSpec p;
        p.content = "BT /F1 10 Tf 72 700 Td (Page " + std::to_string(i) + ") Tj ET";
        layout.pages.push_back(p);
    }
    return testing::write_temp(make_pdf(layout), name);
}

TEST(CliGrammar, HelpVersionAndUsageErrors) {
    const Outcome none = run_cli({});
    EXPECT_EQ(none.status, 2);
    EXPECT_TRUE(none.out.empty());
    EXPECT_NE(none.err.find("dump"), std::string::npos);

    const Outcome version = run_cli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "quillstone 0.2.2\n");
    EXPECT_EQ(run_cli({"-V"}).out, "quillstone 0.2.2\n");

    const Outcome help = run_cli({"convert", "--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* text : {"FORMAT", "GitHub-flavoured Markdown", "FIGURE_DPI", "150",
                             "Reads as telegraphese", "Write to a file instead of stdout"})
        EXPECT_NE(help.out.find(text), std::string::npos) << text;

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"frobnicate"}, {"dump"}, {"dump", "--page", "x", "a.pdf"},
          {"convert", "-f", "docx", "a.pdf"}, {"convert", "--caveman=bogus", "a.pdf"},
          {"probe", "a.pdf", "--nope"}}) {
        const Outcome o = run_cli(bad);
        EXPECT_EQ(o.status, 2) << bad[0];
        EXPECT_FALSE(o.err.empty());
    }
}

TEST(CliGrammar, ConvertOptions) {
    const auto convert_of = [](std::vector<std::string> args) {
        args.insert(args.begin(), {"quillstone", "convert"});
        Parsed p = parse(args);
        EXPECT_TRUE(p.cli.has_value()) << p.err_text;
        return p.cli ? std::get<Convert>(p.cli->command) : Convert{};
    };
    const Convert defaults = convert_of({"a.pdf"});
    EXPECT_EQ(defaults.format, Format::md);
    EXPECT_EQ(defaults.figure_dpi, 150.0f);
    EXPECT_FALSE(defaults.caveman.has_value());
    EXPECT_FALSE(defaults.out.has_value());

    // A bare --caveman followed by a path means light, and the path stays an input.
    const Convert bare = convert_of({"--caveman", "paper.pdf"});
    EXPECT_EQ(bare.caveman, Caveman::light);
    EXPECT_EQ(bare.pdf, (std::vector<std::string>{"paper.pdf"}));
    EXPECT_EQ(convert_of({"a.pdf", "--caveman"}).caveman, Caveman::light);
    EXPECT_EQ(convert_of({"--caveman", "hard", "a.pdf"}).caveman, Caveman::hard);
    EXPECT_EQ(convert_of({"--caveman=hard", "a.pdf"}).caveman, Caveman::hard);

    const Convert full = convert_of({"-f", "typst", "--out=o", "--assets", "as", "--figure-dpi",
                                     "300", "a.pdf", "b.pdf"});
    EXPECT_EQ(full.format, Format::typst);
    EXPECT_EQ(full.out, "o");
    EXPECT_EQ(full.assets, "as");
    EXPECT_EQ(full.figure_dpi, 300.0f);
    EXPECT_EQ(full.pdf, (std::vector<std::string>{"a.pdf", "b.pdf"}));
}

TEST(CliDump, WholeDocumentAndSinglePage) {
    PdfSpec layout;
    PageSpec a;
    a.content = "BT /F1 10 Tf 72 700 Td (A) Tj ET";
    PageSpec b;
    b.fonts = {FontSpec{"F2", "Courier", {}, -1}};
    b.content = "BT /F2 10 Tf 72 700 Td (B) Tj ET";
    layout.pages = {a, b};
    const std::string path = testing::write_temp(make_pdf(layout), "two-fonts.pdf");

    const Outcome whole = run_cli({"dump", path});
    ASSERT_EQ(whole.status, 0) << whole.err;
    ASSERT_EQ(whole.out.back(), '\n');
    EXPECT_EQ(whole.out.find('\n'), whole.out.size() - 1);  // compact: one line
    const auto doc = nlohmann::json::parse(whole.out);
    EXPECT_EQ(doc["fonts"]["names"], nlohmann::json({"Helvetica", "Courier"}));
    EXPECT_EQ(doc["pages"].size(), 2u);
    EXPECT_EQ(doc["pages"][1]["glyphs"][0]["font"], 1);

    const Outcome one = run_cli({"dump", "--page", "1", "--pretty", path});
    ASSERT_EQ(one.status, 0) << one.err;
    const auto pair = nlohmann::json::parse(one.out);
    ASSERT_TRUE(pair.is_array());
    // The single-page form carries only the fonts that page uses, numbered afresh.
    EXPECT_EQ(pair[0]["names"], nlohmann::json({"Courier"}));
    EXPECT_EQ(pair[1]["index"], 1);
    EXPECT_EQ(pair[1]["glyphs"][0]["font"], 0);
    EXPECT_EQ(one.out.substr(0, 6), "[\n  {\n");
}

TEST(CliDump, Errors) {
    const std::string five = text_pdf("five.pdf", 5);
    const Outcome out_of_range = run_cli({"dump", "--page", "7", five});
    EXPECT_EQ(out_of_range.status, 1);
    EXPECT_EQ(out_of_range.err, "Error: page 7 is out of range\n");
    EXPECT_TRUE(out_of_range.out.empty());

    const std::string missing = testing::temp_dir() + "/nope.pdf";
    const Outcome whole = run_cli({"dump", missing});
    EXPECT_EQ(whole.status, 1);
    EXPECT_EQ(whole.err, "Error: extracting " + missing + "\n\nCaused by:\n" +
                             "    could not open the document: " + missing +
                             ": io error: No such file or directory (os error 2)\n");

    const Outcome page = run_cli({"dump", "--page", "0", missing});
    EXPECT_EQ(page.status, 1);
    EXPECT_EQ(page.err, "Error: failed to read " + missing +
                            ": No such file or directory (os error 2)\n\nCaused by:\n"
                            "    No such file or directory (os error 2)\n");

    const std::string garbage = testing::write_temp("not a pdf at all", "garbage.pdf");
    const Outcome bad = run_cli({"dump", "--page", "0", garbage});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err.rfind("Error: could not open the document: " + garbage + ": malformed pdf: ",
                            0),
              0u)
        << bad.err;
}

TEST(CliDump, ScannedDocumentIsRefused) {
    PdfSpec layout;
    for (int i = 0; i < 10; ++i) {
        PageSpec p;
        if (i < 6) {
            p.images = {testing::ImageSpec{}};
            p.content = "q 612 0 0 792 0 0 cm /Im1 Do Q";
        } else {
            p.content = "BT /F1 10 Tf 72 700 Td (text) Tj ET";
        }
        layout.pages.push_back(p);
    }
    const std::string path = testing::write_temp(make_pdf(layout), "scan.pdf");
    const Outcome o = run_cli({"dump", path});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "Error: extracting " + path + "\n\nCaused by:\n    " + path +
                         " looks like a scanned document (6/10 pages have no extractable text); "
                         "quillstone handles born-digital PDFs only\n");
}

TEST(CliProbe, TotalsAndFontRanking) {
    // Thirteen fonts: one glyph more for each later font, except two that tie.
    static const char* names[] = {"Times-Roman", "Times-Bold",  "Times-Italic", "Helvetica",
                                  "Helvetica-Bold", "Helvetica-Oblique", "Courier",
                                  "Courier-Bold", "Courier-Oblique", "Symbol", "ZapfDingbats",
                                  "Times-BoldItalic", "Courier-BoldOblique"};
    PageSpec p;
    p.fonts.clear();
    p.content = "BT 72 700 Td ";
    for (int i = 0; i < 13; ++i) {
        const std::string res = "F" + std::to_string(i);
        p.fonts.push_back(FontSpec{res, names[i], {}, -1});
        const int count = i == 12 ? 12 : i + 1;  // fonts 11 and 12 both draw 12 glyphs
        p.content += "/" + res + " 10 Tf (" + std::string(static_cast<std::size_t>(count), 'x') +
                     ") Tj 0 -12 Td ";
    }
    p.content += "0 0 m 100 0 l S ET 10 10 m 10 300 l S 50 50 100 100 re f";
    const std::string path = testing::write_temp(make_pdf(PdfSpec{{p}, "", ""}), "fonts.pdf");
    const Outcome o = run_cli({"probe", path});
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string expected_head = path + "\n  1 pages, 90 glyphs, 0 images in ";
    EXPECT_EQ(o.out.substr(0, expected_head.size()), expected_head);
    EXPECT_NE(o.out.find(" ms/page)\n  paths: 1 h-rules, 1 v-rules, 1 boxes, 0 other\n"
                         "  fonts (13 distinct):\n"
                         "         12   13.3%  Courier-BoldOblique\n"
                         "         12   13.3%  Times-BoldItalic\n"
                         "         11   12.2%  ZapfDingbats\n"),
              std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find("          2    2.2%  Times-Bold\n    ... and 1 more\n"),
              std::string::npos)
        << o.out;
    EXPECT_EQ(o.out.find("Times-Roman"), std::string::npos);
}

// A stream whose reader has gone away.
class ClosedPipe final : public Stream {
  public:
    std::optional<IoError> write(std::string_view) override { return IoError::from_errno(EPIPE); }
};

class FullDisk final : public Stream {
  public:
    std::optional<IoError> write(std::string_view) override {
        return IoError::from_errno(ENOSPC);
    }
};

TEST(CliFrame, BrokenPipeIsQuietButOtherWriteFailuresAreReported) {
    const std::string path = text_pdf("one.pdf", 1);
    std::vector<std::string> args{"quillstone", "dump", path};
    ClosedPipe pipe;
    StringStream err;
    EXPECT_EQ(run(args, pipe, err), 0);
    EXPECT_TRUE(err.data.empty());

    FullDisk disk;
    EXPECT_EQ(run(args, disk, err), 1);
    EXPECT_EQ(err.data, "Error: No space left on device (os error 28)\n");
}

TEST(CliFrame, NativeExecutableEndsQuietlyWhenItsReaderQuits) {
    // Enough glyphs that the pretty JSON overflows any pipe buffer.
    PageSpec p;
    p.content = "BT /F1 4 Tf 10 780 Td ";
    for (int line = 0; line < 60; ++line) p.content += "(" + std::string(100, 'w') + ") Tj 0 -12 Td ";
    p.content += "ET";
    const std::string path = testing::write_temp(make_pdf(PdfSpec{{p}, "", ""}), "big.pdf");
    const std::string errfile = testing::temp_dir() + "/pipe.err";
    const std::string cmd = std::string("bash -c 'set -o pipefail; \"") + QUILLSTONE_BINARY +
                            "\" dump --pretty \"" + path + "\" 2>\"" + errfile +
                            "\" | head -n 1 >/dev/null'";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    FILE* f = std::fopen(errfile.c_str(), "r");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::fgetc(f), EOF);
    std::fclose(f);
}

} // namespace
} // namespace quillstone::cli
