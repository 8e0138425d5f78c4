#include "ir/page_json.hpp"

#include <gtest/gtest.h>

namespace quillstone::ir {
namespace {
TEST(Placeholder, Builds) { SUCCEED(); }
} // namespace
} // namespace quillstone::ir
