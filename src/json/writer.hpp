#pragma once
// A small streaming JSON writer shared by the page-primitive and document JSON. It appends to a
// string that the caller may drain between values, so a large document never has to sit in
// memory whole. Numbers go through std::to_chars: locale-free and shortest round-trip.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillstone::json {

enum class Layout { Compact, Pretty };

class Writer {
  public:
    Writer(std::string& out, Layout layout) : out_(out), pretty_(layout == Layout::Pretty) {}

    void begin_object();
    void end_object();
    void begin_array();
    void end_array();
    void key(std::string_view name);

    void string(std::string_view text);
    void number(float value);
    void number(std::uint64_t value);
    void number(std::int64_t value);
    void boolean(bool value);
    void null();

    // The string being appended to, for callers that drain it as they go.
    std::string& out() { return out_; }

  private:
    struct Level {
        bool object = false;
        std::size_t count = 0;
    };
    void before_value();
    void newline_indent(std::size_t depth);

    std::string& out_;
    bool pretty_;
    bool after_key_ = false;
    std::vector<Level> stack_;
};

// Appends `text` as a JSON string literal: quote and backslash escaped, \b \t \n \f \r, other
// control characters as \u00xx, everything else as raw UTF-8.
void append_escaped(std::string& out, std::string_view text);

// Appends a 32-bit float in its shortest round-trip form, keeping ".0" on whole numbers and
// writing non-finite values as null.
void append_float(std::string& out, float value);

} // namespace quillstone::json
