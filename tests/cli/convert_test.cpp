#include "cli/cli.hpp"
#include "cli/commands.hpp"

#include "support/cli_runner.hpp"
#include "support/pdf_builder.hpp"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace quillstone::cli {
namespace {

namespace fs = std::filesystem;
using testing::make_pdf;
using testing::PageSpec;
using testing::PdfSpec;

using Outcome = testing::CliOutcome;
using testing::run_cli;

std::string slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// A fresh directory per test, holding small papers.
struct Workspace {
    fs::path dir;
    explicit Workspace(const std::string& name) : dir(fs::path(testing::temp_dir()) / name) {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    std::string paper(const std::string& rel, const std::string& words = "Some words") const {
        PageSpec p;
        p.content = "BT /F1 12 Tf 72 700 Td (" + words + ") Tj ET";
        const fs::path path = dir / rel;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << make_pdf(PdfSpec{{p}, "", ""});
        return path.string();
    }
    std::string scan(const std::string& rel) const {
        PageSpec p;
        p.images = {testing::ImageSpec{}};
        p.content = "q 612 0 0 792 0 0 cm /Im1 Do Q";
        const fs::path path = dir / rel;
        std::ofstream(path, std::ios::binary) << make_pdf(PdfSpec{{p}, "", ""});
        return path.string();
    }
};

TEST(FileStem, Rules) {
    const std::pair<const char*, const char*> cases[] = {
        {"a/b/paper.pdf", "paper"}, {"paper.final.pdf", "paper.final"}, {".hidden", ".hidden"},
        {"dir/.hidden", ".hidden"}, {"noext", "noext"},                 {"a/..", ""},
        {"..", ""},                 {"/", ""},                           {"dir/x.pdf/", "x"},
        {"a.b/c", "c"},             {"..x", "."},                        {"bad\xff.pdf", "bad\xEF\xBF\xBD"},
    };
    for (const auto& [path, stem] : cases) EXPECT_EQ(file_stem(path), stem) << path;
}

TEST(Convert, SingleFileToStandardOutputOrFile) {
    Workspace ws("convert-single");
    const std::string pdf = ws.paper("x.pdf");
    const Outcome md = run_cli({"convert", pdf});
    EXPECT_EQ(md.status, 0) << md.err;
    EXPECT_TRUE(md.err.empty());

    const Outcome js = run_cli({"convert", "-f", "json", pdf});
    ASSERT_EQ(js.status, 0) << js.err;
    ASSERT_FALSE(js.out.empty());
    EXPECT_EQ(js.out.back(), '\n');
    EXPECT_TRUE(nlohmann::json::accept(js.out));
    EXPECT_NE(js.out.find("\n  "), std::string::npos);  // pretty layout

    const fs::path result = ws.dir / "result.json";
    const Outcome to_file = run_cli({"convert", "-f", "json", "-o", result.string(), pdf});
    EXPECT_EQ(to_file.status, 0) << to_file.err;
    EXPECT_TRUE(to_file.out.empty());
    EXPECT_EQ(slurp(result), js.out);
    // No assets directory was asked for, so nothing else appears.
    EXPECT_EQ(std::distance(fs::directory_iterator(ws.dir), fs::directory_iterator()), 2);
}

TEST(Convert, SeveralFilesIntoADirectory) {
    Workspace ws("convert-several");
    const std::string x = ws.paper("a/x.pdf");
    const std::string y = ws.paper("b/y.pdf");
    const fs::path out = ws.dir / "out" / "deeper";
    const Outcome o = run_cli({"convert", "-f", "typst", "--out", out.string(), x, y});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(o.out.empty());
    EXPECT_TRUE(o.err.empty());
    EXPECT_TRUE(fs::is_regular_file(out / "x.typ"));
    EXPECT_TRUE(fs::is_regular_file(out / "y.typ"));
    EXPECT_TRUE(fs::is_directory(out / "x_assets"));
    EXPECT_TRUE(fs::is_directory(out / "y_assets"));

    const fs::path imgs = ws.dir / "imgs";
    const Outcome with_assets =
        run_cli({"convert", "--out", out.string(), "--assets", imgs.string(), x, y});
    ASSERT_EQ(with_assets.status, 0) << with_assets.err;
    EXPECT_TRUE(fs::is_directory(imgs / "x"));
    EXPECT_TRUE(fs::is_directory(imgs / "y"));
    EXPECT_TRUE(fs::is_regular_file(out / "x.md"));
}

TEST(Convert, SeveralFilesNeedOut) {
    Workspace ws("convert-needs-out");
    // Neither file exists: the command must fail before trying to read them.
    const Outcome o = run_cli({"convert", (ws.dir / "a.pdf").string(), (ws.dir / "b.pdf").string()});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "Error: converting several files needs --out <directory>\n");
}

TEST(Convert, OneScannedInputAmongThree) {
    Workspace ws("convert-scanned");
    const std::string a = ws.paper("a.pdf");
    const std::string s = ws.scan("s.pdf");
    const std::string c = ws.paper("c.pdf");
    const fs::path out = ws.dir / "out";
    const Outcome o = run_cli({"convert", "-f", "text", "-o", out.string(), a, s, c});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, s + ": " + s +
                         " looks like a scanned document (1/1 pages have no extractable text); "
                         "quillstone handles born-digital PDFs only\n"
                         "Error: 1 of 3 files failed\n");
    EXPECT_TRUE(fs::is_regular_file(out / "a.txt"));
    EXPECT_TRUE(fs::is_regular_file(out / "c.txt"));
    EXPECT_FALSE(fs::exists(out / "s.txt"));
}

TEST(Convert, FailuresCarryTheirContext) {
    Workspace ws("convert-failures");
    const std::string pdf = ws.paper("x.pdf");
    const std::string missing_dir = (ws.dir / "nowhere" / "result.md").string();
    const Outcome unwritable = run_cli({"convert", "-o", missing_dir, pdf});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.err, "Error: writing " + missing_dir +
                                  "\n\nCaused by:\n    No such file or directory (os error 2)\n");

    const std::string scanned = ws.scan("s.pdf");
    const Outcome single = run_cli({"convert", scanned});
    EXPECT_EQ(single.status, 1);
    EXPECT_EQ(single.err.rfind("Error: converting " + scanned + "\n\nCaused by:\n    " + scanned +
                                   " looks like a scanned document",
                               0),
              0u)
        << single.err;

    // An assets path below a regular file cannot be created.
    const std::string below_file = pdf + "/assets";
    const Outcome assets = run_cli({"convert", "--assets", below_file, pdf});
    EXPECT_EQ(assets.status, 1);
    EXPECT_EQ(assets.err.rfind("Error: converting " + pdf + "\n\nCaused by:\n    0: failed to read " +
                                   below_file + ": ",
                               0),
              0u)
        << assets.err;

    // Several-file mode cannot create its output directory below a regular file either.
    const Outcome out_dir = run_cli({"convert", "-o", pdf + "/out", pdf, pdf});
    EXPECT_EQ(out_dir.status, 1);
    EXPECT_EQ(out_dir.err, "Error: creating " + pdf + "/out\n\nCaused by:\n    Not a directory (os error 20)\n");
}

} // namespace
} // namespace quillstone::cli
