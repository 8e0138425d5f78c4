#pragma once
// Builds small PDFs with exact geometry for tests, through MuPDF's PDF-writing API. Content
// streams are written by hand, so every coordinate in a test is the one on the page.

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace quillstone::testing {

struct FontSpec {
    std::string resource = "F1";
    std::string base_name = "Helvetica";
    // bfchar lines for a ToUnicode CMap, e.g. "<41> <FB01>"; empty for none.
    std::vector<std::string> to_unicode;
    // FontDescriptor /Flags, or -1 for no descriptor.
    int descriptor_flags = -1;
};

struct ImageSpec {
    std::string resource = "Im1";
    int width = 4;
    int height = 4;
};

struct PageSpec {
    std::array<float, 4> media{0, 0, 612, 792};
    std::optional<std::array<float, 4>> crop;
    int rotate = 0;
    std::string content;
    std::vector<FontSpec> fonts{FontSpec{}};
    std::vector<ImageSpec> images;
};

struct PdfSpec {
    std::vector<PageSpec> pages;
    std::string user_password;   // non-empty: encrypt with AES-256
    std::string owner_password;
};

// The PDF's bytes.
[[nodiscard]] std::string make_pdf(const PdfSpec& layout);

// Writes bytes to a fresh file in a per-process temporary directory and returns its path.
[[nodiscard]] std::string write_temp(const std::string& bytes, const std::string& name);

// A per-process scratch directory, created on first use.
[[nodiscard]] const std::string& temp_dir();

} // namespace quillstone::testing
