#include "doc/json.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace quillstone::doc {
namespace {

using Ordered = nlohmann::ordered_json;

std::vector<std::string> keys(const Ordered& object) {
    std::vector<std::string> out;
    for (const auto& item : object.items())
        out.push_back(item.key());
    return out;
}

Block paragraph(std::string text, std::size_t page = 0) {
    Block b;
    b.text = std::move(text);
    b.page = page;
    b.bbox = {72.0f, 100.5f, 540.0f, 112.0f};
    b.size = 10.0f;
    return b;
}

TEST(DocumentJson, EmptyDocumentCompact) {
    EXPECT_EQ(to_json(Document{}, json::Layout::Compact),
              R"({"title":null,"blocks":[],"sections":[]})");
}

TEST(DocumentJson, ParagraphHasExactlyTheFiveBaseMembers) {
    Document d;
    d.title = "A title";
    d.blocks.push_back(paragraph("Hello \"world\"", 2));
    const auto j = Ordered::parse(to_json(d, json::Layout::Compact));
    EXPECT_EQ(keys(j), (std::vector<std::string>{"title", "blocks", "sections"}));
    EXPECT_EQ(j["title"], "A title");
    const auto& b = j["blocks"][0];
    EXPECT_EQ(keys(b), (std::vector<std::string>{"kind", "text", "page", "bbox", "size"}));
    EXPECT_EQ(b["kind"], Ordered::parse(R"({"type":"paragraph"})"));
    EXPECT_EQ(b["text"], "Hello \"world\"");
    EXPECT_EQ(b["page"], 2);
    EXPECT_EQ(keys(b["bbox"]), (std::vector<std::string>{"x0", "y0", "x1", "y1"}));
    EXPECT_EQ(b["bbox"]["y0"], 100.5);
    EXPECT_NE(to_json(d, json::Layout::Compact).find(R"("size":10.0})"), std::string::npos);
}

TEST(DocumentJson, KindObjects) {
    struct Case {
        BlockKind kind;
        std::uint8_t level;
        bool ordered;
        const char* expected;
    };
    const Case cases[] = {
        {BlockKind::Title, 0, false, R"({"type":"title"})"},
        {BlockKind::Heading, 3, false, R"({"type":"heading","level":3})"},
        {BlockKind::Heading, 0, false, R"({"type":"heading","level":0})"},
        {BlockKind::Paragraph, 2, true, R"({"type":"paragraph"})"},
        {BlockKind::Caption, 0, false, R"({"type":"caption"})"},
        {BlockKind::Figure, 0, false, R"({"type":"figure"})"},
        {BlockKind::ListItem, 0, true, R"({"type":"list_item","ordered":true})"},
        {BlockKind::ListItem, 0, false, R"({"type":"list_item","ordered":false})"},
        {BlockKind::Footnote, 0, false, R"({"type":"footnote"})"},
        {BlockKind::Table, 0, false, R"({"type":"table"})"},
        {BlockKind::Equation, 0, false, R"({"type":"equation"})"},
        {BlockKind::Reference, 0, false, R"({"type":"reference"})"},
    };
    for (const Case& c : cases) {
        Block b = paragraph("x");
        b.kind = c.kind;
        b.level = c.level;
        b.ordered = c.ordered;
        std::string out;
        json::Writer w(out, json::Layout::Compact);
        write_block(w, b);
        EXPECT_EQ(out.substr(0, out.find(",\"text\"")), std::string("{\"kind\":") + c.expected)
            << c.expected;
    }
}

TEST(DocumentJson, OptionalRecordsInOrder) {
    Block b = paragraph("Table 1");
    b.kind = BlockKind::Table;
    b.asset = "assets/figure-001.png";
    b.table = TableData{{{"A", "B"}, {"1", ""}}, 1};
    b.math = MathData{"x^{2}", "3", 0.75f};
    b.reference = Reference{"12",     "Smith J. 2019.", {"J. Smith", "K. Jones"}, "On things", 2019,
                            "10.1/x", "1901.00001"};
    std::string out;
    json::Writer w(out, json::Layout::Compact);
    write_block(w, b);
    const auto j = Ordered::parse(out);
    EXPECT_EQ(keys(j), (std::vector<std::string>{"kind", "text", "page", "bbox", "size", "asset",
                                                 "table", "math", "reference"}));
    EXPECT_EQ(j["asset"], "assets/figure-001.png");
    EXPECT_EQ(j["table"], Ordered::parse(R"({"rows":[["A","B"],["1",""]],"header_rows":1})"));
    EXPECT_EQ(keys(j["math"]), (std::vector<std::string>{"latex", "number", "confidence"}));
    EXPECT_EQ(j["math"]["number"], "3");
    EXPECT_EQ(keys(j["reference"]), (std::vector<std::string>{"label", "raw", "authors", "title",
                                                              "year", "doi", "arxiv"}));
    EXPECT_TRUE(j["reference"]["year"].is_number_unsigned());
    EXPECT_EQ(j["reference"]["year"], 2019);
}

TEST(DocumentJson, AbsentOptionalMembersAreOmitted) {
    Block eq = paragraph("x = 1");
    eq.kind = BlockKind::Equation;
    eq.math = MathData{"x = 1", std::nullopt, 0.5f};
    Block ref = paragraph("Anon. Untitled.");
    ref.kind = BlockKind::Reference;
    ref.reference = Reference{};
    ref.reference->raw = "Anon. Untitled.";
    Document d;
    d.blocks = {eq, ref};
    const auto j = Ordered::parse(to_json(d, json::Layout::Compact));
    EXPECT_EQ(keys(j["blocks"][0]["math"]), (std::vector<std::string>{"latex", "confidence"}));
    EXPECT_EQ(keys(j["blocks"][1]["reference"]), (std::vector<std::string>{"raw"}));
}

TEST(DocumentJson, NonFiniteNumbersAreNull) {
    Document d;
    d.blocks.push_back(paragraph("x"));
    d.blocks[0].size = std::numeric_limits<float>::quiet_NaN();
    d.blocks[0].bbox.x1 = std::numeric_limits<float>::infinity();
    const auto j = Ordered::parse(to_json(d, json::Layout::Compact));
    EXPECT_TRUE(j["blocks"][0]["size"].is_null());
    EXPECT_TRUE(j["blocks"][0]["bbox"]["x1"].is_null());
}

TEST(DocumentJson, SectionsAreDerivedWhenWriting) {
    Document d;
    d.blocks = {paragraph("intro"), paragraph("1 Methods", 1), paragraph("body", 2)};
    const auto before = Ordered::parse(to_json(d, json::Layout::Compact));
    EXPECT_EQ(before["sections"], Ordered::parse(R"([{"title":null,"level":0,"start":0,"end":3,
        "first_page":0,"last_page":2,"children":[]}])"));

    // A zero level stays zero on the block and reads as 1 in the outline.
    d.blocks[1].kind = BlockKind::Heading;
    const auto after = Ordered::parse(to_json(d, json::Layout::Compact));
    EXPECT_EQ(after["blocks"][1]["kind"]["level"], 0);
    EXPECT_EQ(after["sections"], Ordered::parse(R"([
        {"title":null,"level":0,"start":0,"end":1,"first_page":0,"last_page":0,"children":[]},
        {"title":"1 Methods","level":1,"start":1,"end":3,"first_page":1,"last_page":2,
         "children":[]}])"));
}

TEST(DocumentJson, PrettyLayout) {
    Document d;
    Block h = paragraph("Intro");
    h.kind = BlockKind::Heading;
    h.level = 1;
    h.bbox = {};
    h.size = 12.0f;
    d.blocks.push_back(h);
    const std::string want = R"({
  "title": null,
  "blocks": [
    {
      "kind": {
        "type": "heading",
        "level": 1
      },
      "text": "Intro",
      "page": 0,
      "bbox": {
        "x0": 0.0,
        "y0": 0.0,
        "x1": 0.0,
        "y1": 0.0
      },
      "size": 12.0
    }
  ],
  "sections": [
    {
      "title": "Intro",
      "level": 1,
      "start": 0,
      "end": 1,
      "first_page": 0,
      "last_page": 0,
      "children": []
    }
  ]
})";
    EXPECT_EQ(to_json(d, json::Layout::Pretty), want);
}

TEST(DocumentJson, AfterBlockRunsOncePerBlock) {
    Document d;
    d.blocks = {paragraph("a"), paragraph("b")};
    std::string out, drained;
    json::Writer w(out, json::Layout::Compact);
    int calls = 0;
    write_document(w, d, [&] {
        ++calls;
        drained += out;
        out.clear();
    });
    drained += out;
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(drained, to_json(d, json::Layout::Compact));
}

} // namespace
} // namespace quillstone::doc
