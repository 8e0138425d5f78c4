#include "emit/text.hpp"
#include "emit/output.hpp"

namespace quillstone::emit::text {

namespace {

void write_table(std::string& out, const doc::TableData& table) {
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        if (r > 0)
            out += '\n';
        const auto& row = table.rows[r];
        for (std::size_t j = 0; j < row.size(); ++j) {
            if (j > 0)
                out += '\t';
            out += row[j];
        }
    }
}

void write_block(std::string& out, const doc::Block& block) {
    using doc::BlockKind;
    if (block.kind == BlockKind::ListItem) {
        // The marker stays: it is part of what the reader saw.
        out += "  ";
        out += block.text;
    } else if (block.kind == BlockKind::Equation && block.math) {
        out += block.math->latex;
    } else if (block.kind == BlockKind::Table) {
        // A table with nothing to show leaves no trace, not even an extra blank line: for
        // indexing, only the text matters.
        if (!block.table || block.table->rows.empty())
            return;
        write_table(out, *block.table);
    } else {
        out += block.text;
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

} // namespace quillstone::emit::text
