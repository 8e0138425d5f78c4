#include "emit/markdown.hpp"
#include "emit/output.hpp"
#include "doc/markers.hpp"

#include "text/chars.hpp"

#include <algorithm>
#include <string_view>
#include <vector>

namespace quillstone::emit::markdown {

namespace {

namespace chars = quillstone::text::chars;

// A longer first token is more likely a word than a marker such as "1.", "(iv)" or "[12]".
constexpr std::size_t max_marker_bytes = 6;

void write_heading(std::string& out, std::uint8_t level, std::string_view text) {
    // The title alone owns a single "#"; headings start one level below it.
    const auto marks = static_cast<std::size_t>(std::clamp<std::uint8_t>(level, 1, 5)) + 1;
    out.append(marks, '#');
    out += ' ';
    out += escape(text);
}

void write_figure(std::string& out, const doc::Block& block) {
    if (block.asset) {
        // Brackets would end the alt text early.
        std::string alt;
        for (const char c : block.text)
            if (c != '[' && c != ']')
                alt += c;
        out += "![";
        out += chars::trim(alt);
        out += "](";
        out += *block.asset;
        out += ')';
    } else if (block.text.empty()) {
        out += "*[figure]*";
    } else {
        out += '*';
        out += escape(block.text);
        out += '*';
    }
}

void write_equation(std::string& out, const doc::Block& block) {
    if (block.asset) {
        // A rasterised equation was judged unreliable as LaTeX, so the image wins.
        out += "![equation](";
        out += *block.asset;
        out += ')';
    } else if (block.math) {
        out += "$$\n";
        out += block.math->latex;
        if (block.math->number) {
            out += " \\tag{";
            out += *block.math->number;
            out += '}';
        }
        out += "\n$$";
    } else {
        out += escape(block.text);
    }
}

void write_table(std::string& out, const doc::Block& block) {
    if (!block.table) {
        out += "*[table]*";
        return;
    }
    const auto& rows = block.table->rows;
    const std::size_t ncols = block.table->column_count();
    if (ncols == 0)
        return;

    // A pipe table has exactly one header row, so several header rows merge column by column.
    const std::size_t header_rows = std::min(block.table->header_rows, rows.size());
    std::vector<std::string> header(ncols);
    for (std::size_t r = 0; r < header_rows; ++r) {
        for (std::size_t j = 0; j < rows[r].size(); ++j) {
            if (rows[r][j].empty())
                continue;
            if (!header[j].empty())
                header[j] += ' ';
            header[j] += cell(rows[r][j]);
        }
    }
    write_row(out, header);
    out += '|';
    for (std::size_t j = 0; j < ncols; ++j)
        out += " --- |";
    out += '\n';

    std::vector<std::string> cells;
    for (std::size_t r = header_rows; r < rows.size(); ++r) {
        cells.assign(ncols, std::string());
        for (std::size_t j = 0; j < rows[r].size(); ++j)
            cells[j] = cell(rows[r][j]);
        write_row(out, cells);
    }
    out.pop_back(); // the block separator follows
}

void write_block(std::string& out, const doc::Block& block) {
    using doc::BlockKind;
    switch (block.kind) {
    case BlockKind::Title:
        out += "# ";
        out += escape(block.text);
        break;
    case BlockKind::Heading:
        write_heading(out, block.level, block.text);
        break;
    case BlockKind::Paragraph:
        out += escape(block.text);
        break;
    case BlockKind::Caption:
        out += '*';
        out += escape(block.text);
        out += '*';
        break;
    case BlockKind::Footnote:
        out += "> ";
        out += escape(block.text);
        break;
    case BlockKind::ListItem:
        out += block.ordered ? "1. " : "- ";
        out += strip_marker(block.text);
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
            out += "<a id=\"ref-";
            out += *block.reference->label;
            out += "\"></a>";
        }
        out += escape(block.text);
        break;
    }
    out += "\n\n";
}

} // namespace

std::string render(const doc::Document& document) {
    std::string out;
    for (const auto& block : document.blocks)
        write_block(out, block);
    finish_output(out);
    return out;
}

std::string escape(std::string_view text) {
    const std::string_view trimmed = chars::trim_start(text);
    if (trimmed.empty() ||
        std::string_view("#+-=>|").find(trimmed.front()) == std::string_view::npos)
        return std::string(text);
    std::string out;
    out.reserve(trimmed.size() + 1);
    out += '\\';
    out += trimmed;
    return out;
}

std::string cell(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        if (c == '|')
            escaped += '\\';
        escaped += c;
    }
    return std::string(chars::trim(escaped));
}

void write_row(std::string& out, std::span<const std::string> cells) {
    out += '|';
    for (const auto& c : cells) {
        out += ' ';
        out += c;
        out += " |";
    }
    out += '\n';
}

std::string_view strip_marker(std::string_view text) {
    if (text.empty())
        return text;
    const chars::Decoded first = chars::decode_at(text, 0);
    if (doc::is_bullet(first.ch))
        return chars::trim_start(text.substr(first.length));
    for (std::size_t pos = 0; pos < text.size();) {
        const chars::Decoded d = chars::decode_at(text, pos);
        if (chars::is_white_space(d.ch)) {
            if (pos > max_marker_bytes)
                return text;
            return chars::trim_start(text.substr(pos + d.length));
        }
        pos += d.length;
    }
    return text;
}

} // namespace quillstone::emit::markdown
