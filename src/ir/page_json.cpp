#include "ir/page_json.hpp"

namespace quillstone::ir {

void write_rect(json::Writer& w, const Rect& r) {
    w.begin_object();
    w.key("x0");
    w.number(r.x0);
    w.key("y0");
    w.number(r.y0);
    w.key("x1");
    w.number(r.x1);
    w.key("y1");
    w.number(r.y1);
    w.end_object();
}

namespace {

void write_glyph(json::Writer& w, const Glyph& g) {
    w.begin_object();
    w.key("text");
    w.begin_object();
    if (g.text.kind == GlyphText::Kind::Char) {
        w.key("Char");
        std::string c;
        append_utf8(c, g.text.ch);
        w.string(c);
    } else {
        w.key("Expanded");
        w.number(std::uint64_t{g.text.index});
    }
    w.end_object();
    w.key("bbox");
    write_rect(w, g.bbox);
    w.key("origin");
    w.begin_object();
    w.key("x");
    w.number(g.origin.x);
    w.key("y");
    w.number(g.origin.y);
    w.end_object();
    w.key("font");
    w.number(std::uint64_t{g.font});
    w.key("size");
    w.number(g.size);
    w.key("angle");
    w.number(g.angle);
    w.key("flags");
    w.number(std::uint64_t{g.flags});
    w.key("color");
    w.number(std::uint64_t{g.color});
    w.key("generated");
    w.boolean(g.generated);
    w.end_object();
}

void write_path(json::Writer& w, const PathItem& p) {
    w.begin_object();
    w.key("bbox");
    write_rect(w, p.bbox);
    w.key("kind");
    w.string(path_kind_name(p.kind));
    w.key("thickness");
    w.number(p.thickness);
    w.key("color");
    w.number(std::uint64_t{p.color});
    w.key("filled");
    w.boolean(p.filled);
    w.key("stroked");
    w.boolean(p.stroked);
    w.end_object();
}

void write_image(json::Writer& w, const ImageItem& im) {
    w.begin_object();
    w.key("bbox");
    write_rect(w, im.bbox);
    w.key("object_index");
    w.number(std::uint64_t{im.object_index});
    w.key("pixel_width");
    w.number(std::uint64_t{im.pixel_width});
    w.key("pixel_height");
    w.number(std::uint64_t{im.pixel_height});
    w.end_object();
}

} // namespace

void write_font_table(json::Writer& w, const FontTable& fonts) {
    w.begin_object();
    w.key("names");
    w.begin_array();
    for (const auto& name : fonts.names) w.string(name);
    w.end_array();
    w.end_object();
}

void write_page(json::Writer& w, const PageRaw& page) {
    w.begin_object();
    w.key("index");
    w.number(std::uint64_t{page.index});
    w.key("width");
    w.number(page.width);
    w.key("height");
    w.number(page.height);
    w.key("rotation");
    w.number(std::int64_t{page.rotation});
    w.key("glyphs");
    w.begin_array();
    for (const auto& g : page.glyphs) write_glyph(w, g);
    w.end_array();
    w.key("paths");
    w.begin_array();
    for (const auto& p : page.paths) write_path(w, p);
    w.end_array();
    w.key("images");
    w.begin_array();
    for (const auto& im : page.images) write_image(w, im);
    w.end_array();
    w.key("expansions");
    w.begin_array();
    for (const auto& e : page.expansions) w.string(e);
    w.end_array();
    w.end_object();
}

void write_doc(json::Writer& w, const DocRaw& doc, const std::function<void()>& after_page) {
    w.begin_object();
    w.key("fonts");
    write_font_table(w, doc.fonts);
    w.key("pages");
    w.begin_array();
    for (const auto& page : doc.pages) {
        write_page(w, page);
        if (after_page) after_page();
    }
    w.end_array();
    w.end_object();
}

void write_single_page(json::Writer& w, const FontTable& fonts, const PageRaw& page) {
    w.begin_array();
    write_font_table(w, fonts);
    write_page(w, page);
    w.end_array();
}

std::string doc_to_json(const DocRaw& doc, json::Layout layout) {
    std::string out;
    json::Writer w(out, layout);
    write_doc(w, doc);
    return out;
}

std::string page_to_json(const FontTable& fonts, const PageRaw& page, json::Layout layout) {
    std::string out;
    json::Writer w(out, layout);
    write_single_page(w, fonts, page);
    return out;
}

} // namespace quillstone::ir
