#include "pipeline/parallel.hpp"

#include "layout/columns.hpp"
#include "support/synthetic_page.hpp"
#include "text/lines.hpp"

#include <oneapi/tbb/global_control.h>

#include <gtest/gtest.h>

namespace quillstone::pipeline {
namespace {

std::vector<ir::PageRaw> pages() {
    std::vector<ir::PageRaw> out;
    for (int i = 0; i < 24; ++i) {
        test_support::SyntheticPage page;
        page.page.index = static_cast<std::uint64_t>(i);
        const auto n = static_cast<std::size_t>(10 + i);
        test_support::prose_column(page, 72, 80, 228, n);
        if (i % 2 == 0) test_support::prose_column(page, 312, 80, 228, n);
        page.glyph(U'1', 100, 75.0f, 6);  // a raised mark over the first line
        out.push_back(page.page);
    }
    return out;
}

TEST(ParallelMap, ResultsDoNotDependOnTheNumberOfThreads) {
    const auto input = pages();
    const auto build = [](const ir::PageRaw& page) { return text::lines::build_lines(page); };

    std::vector<std::vector<text::lines::Line>> serial;
    {
        tbb::global_control one(tbb::global_control::max_allowed_parallelism, 1);
        serial = parallel_map(input, build);
    }
    const auto pooled = parallel_map(input, build);
    ASSERT_EQ(serial.size(), input.size());
    EXPECT_EQ(serial, pooled);
    for (std::size_t i = 0; i < input.size(); ++i) EXPECT_EQ(pooled[i], build(input[i])) << i;

    const auto bands = layout::columns::document_bands(input, pooled);
    const auto cut = parallel_map_indices(input.size(), [&](std::size_t i) {
        return layout::columns::apply_bands(input[i], pooled[i], bands[i]);
    });
    for (std::size_t i = 0; i < input.size(); ++i)
        EXPECT_EQ(cut[i], layout::columns::apply_bands(input[i], pooled[i], bands[i])) << i;
}

TEST(ParallelMap, EmptyInputGivesEmptyOutput) {
    EXPECT_TRUE(parallel_map(std::vector<int>{}, [](int x) { return x; }).empty());
    const auto squares = parallel_map_indices(1000, [](std::size_t i) { return i * i; });
    ASSERT_EQ(squares.size(), 1000u);
    for (std::size_t i = 0; i < squares.size(); ++i) EXPECT_EQ(squares[i], i * i);
}

} // namespace
} // namespace quillstone::pipeline
