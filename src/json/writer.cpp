#include "json/writer.hpp"

#include <charconv>
#include <cmath>

namespace quillstone::json {

void append_escaped(std::string& out, std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            if (u < 0x20) {
                out += "\\u00";
                out += hex[u >> 4];
                out += hex[u & 0xF];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

void append_float(std::string& out, float value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    const std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
    out += text;
    if (text.find_first_of(".e") == std::string_view::npos) out += ".0";
}

void Writer::newline_indent(std::size_t depth) {
    out_ += '\n';
    out_.append(depth * 2, ' ');
}

void Writer::before_value() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (stack_.empty()) return;
    Level& level = stack_.back();
    if (level.count++ > 0) out_ += ',';
    if (pretty_) newline_indent(stack_.size());
}

void Writer::begin_object() {
    before_value();
    out_ += '{';
    stack_.push_back(Level{true, 0});
}

void Writer::end_object() {
    const Level level = stack_.back();
    stack_.pop_back();
    if (pretty_ && level.count > 0) newline_indent(stack_.size());
    out_ += '}';
}

void Writer::begin_array() {
    before_value();
    out_ += '[';
    stack_.push_back(Level{false, 0});
}

void Writer::end_array() {
    const Level level = stack_.back();
    stack_.pop_back();
    if (pretty_ && level.count > 0) newline_indent(stack_.size());
    out_ += ']';
}

void Writer::key(std::string_view name) {
    before_value();
    append_escaped(out_, name);
    out_ += pretty_ ? ": " : ":";
    after_key_ = true;
}

void Writer::string(std::string_view text) {
    before_value();
    append_escaped(out_, text);
}

void Writer::number(float value) {
    before_value();
    append_float(out_, value);
}

void Writer::number(std::uint64_t value) {
    before_value();
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    out_.append(buf, res.ptr);
}

void Writer::number(std::int64_t value) {
    before_value();
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    out_.append(buf, res.ptr);
}

void Writer::boolean(bool value) {
    before_value();
    out_ += value ? "true" : "false";
}

void Writer::null() {
    before_value();
    out_ += "null";
}

} // namespace quillstone::json
