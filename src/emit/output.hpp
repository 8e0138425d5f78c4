#pragma once
// What every writer does last: blocks are each followed by two line feeds, and the output ends in
// exactly one.

#include <string>

namespace quillstone::emit {

inline void finish_output(std::string& out) {
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    out += '\n';
}

} // namespace quillstone::emit
