#include "emit/typst.hpp"
#include "emit/output.hpp"

#include "emit/markdown.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace quillstone::emit::typst {

namespace {

// A Typst string literal. Asset paths and labels are plain file names and numbers in practice,
// but a quote or backslash in an assets directory name must not end the literal early and break
// the whole document.
void append_string_literal(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    out += '"';
}

bool uses_math(const doc::Document& document) {
    return std::any_of(document.blocks.begin(), document.blocks.end(), [](const doc::Block& b) {
        return b.math.has_value() || b.text.find('$') != std::string::npos;
    });
}

void write_heading(std::string& out, std::uint8_t level, std::string_view text) {
    // The title alone owns a single "="; headings start one level below it.
    const auto marks = static_cast<std::size_t>(std::clamp<std::uint8_t>(level, 1, 5)) + 1;
    out.append(marks, '=');
    out += ' ';
    out += inline_text(text);
}

void write_wrapped(std::string& out, std::string_view function, std::string_view text) {
    out += '#';
    out += function;
    out += '[';
    out += inline_text(text);
    out += ']';
}

void write_figure(std::string& out, const doc::Block& block) {
    if (!block.asset) {
        write_wrapped(out, "emph", block.text);
        return;
    }
    out += "#figure(\n  image(";
    append_string_literal(out, *block.asset);
    out += "),\n  caption: [";
    out += inline_text(block.text);
    out += "],\n)";
}

void write_equation(std::string& out, const doc::Block& block) {
    if (block.asset) {
        // A rasterised equation was judged unreliable as LaTeX, so the image wins.
        out += "#figure(image(";
        append_string_literal(out, *block.asset);
        out += "))";
    } else if (block.math) {
        out += "#mitex(`";
        out += block.math->latex;
        out += "`)";
        if (block.math->number) {
            out += " <eq-";
            out += *block.math->number;
            out += '>';
        }
    } else {
        out += inline_text(block.text);
    }
}

void write_table(std::string& out, const doc::Block& block) {
    if (!block.table) {
        out += "#emph[table]";
        return;
    }
    const auto& rows = block.table->rows;
    const std::size_t ncols = block.table->column_count();
    if (ncols == 0)
        return;

    out += "#table(\n  columns: ";
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::uint64_t{ncols});
    out.append(buf, res.ptr);
    out += ",\n";
    for (std::size_t r = 0; r < rows.size(); ++r) {
        // Typst tables keep every header row as its own shaded row.
        const bool header = r < block.table->header_rows;
        out += "  ";
        for (std::size_t j = 0; j < ncols; ++j) {
            out += header ? "table.cell(fill: luma(240))[" : "[";
            if (j < rows[r].size())
                out += inline_text(rows[r][j]);
            out += "], ";
        }
        out += '\n';
    }
    out += ')';
}

void write_block(std::string& out, const doc::Block& block) {
    using doc::BlockKind;
    switch (block.kind) {
    case BlockKind::Title:
        out += "= ";
        out += inline_text(block.text);
        break;
    case BlockKind::Heading:
        write_heading(out, block.level, block.text);
        break;
    case BlockKind::Paragraph:
        out += inline_text(block.text);
        break;
    case BlockKind::Caption:
        write_wrapped(out, "emph", block.text);
        break;
    case BlockKind::Footnote:
        write_wrapped(out, "footnote", block.text);
        break;
    case BlockKind::ListItem:
        out += block.ordered ? "+ " : "- ";
        out += inline_text(markdown::strip_marker(block.text));
        break;
    case BlockKind::Figure:
        write_figure(out, block);
        break;
    case BlockKind::Table:
        write_table(out, block);
        break;
    case BlockKind::Equation:
        write_equation(out, block);
        break;
    case BlockKind::Reference:
        if (block.reference && block.reference->label) {
            // Linked citations point here as "#ref-{label}".
            out += "#label(";
            append_string_literal(out, "ref-" + *block.reference->label);
            out += ')';
        }
        out += inline_text(block.text);
        break;
    }
    out += "\n\n";
}

} // namespace

std::string render(const doc::Document& document) {
    std::string out;
    if (uses_math(document)) {
        out += mitex_import;
        out += "\n\n";
    }
    for (const auto& block : document.blocks)
        write_block(out, block);
    finish_output(out);
    return out;
}

std::string inline_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool math = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '$') {
            math = !math;
        } else if (!math && std::string_view("#*<>@[\\]_`").find(c) != std::string_view::npos) {
            // A backtick opens raw text, and Typst rejects the whole document over an unpaired one.
            out += '\\';
        } else if (!math && c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            // "//" opens a line comment: the rest of a paragraph would vanish, and inside
            // "#emph[...]" or a table cell the closing bracket with it. "/*" needs nothing, its
            // "*" is escaped already.
            out += '\\';
        }
        out += c;
    }
    return out;
}

} // namespace quillstone::emit::typst
