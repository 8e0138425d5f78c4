#pragma once
// Page-parallel map on the process-wide task pool. Each task reads shared data and writes only
// its own result slot, so results come back in page order whatever the scheduling. This is the
// only file that includes oneTBB. Float reductions never run here: summing in task order would
// make results depend on scheduling, so callers reduce afterwards, in page order.

#include <oneapi/tbb/parallel_for.h>

#include <cstddef>
#include <type_traits>
#include <vector>

namespace quillstone::pipeline {

// fn(i) for every i in [0, count), results in index order.
template <class Fn>
[[nodiscard]] auto parallel_map_indices(std::size_t count, Fn&& fn) {
    using Out = std::decay_t<std::invoke_result_t<Fn&, std::size_t>>;
    // std::vector<bool> packs slots into shared words, which concurrent tasks cannot write.
    static_assert(!std::is_same_v<Out, bool>, "map to a type other than bool");
    std::vector<Out> out(count);  // slot i belongs to task i only
    tbb::parallel_for(std::size_t{0}, count, [&](std::size_t i) { out[i] = fn(i); });
    return out;
}

// fn(page) for every page, results in page order.
template <class In, class Fn>
[[nodiscard]] auto parallel_map(const std::vector<In>& pages, Fn&& fn) {
    return parallel_map_indices(pages.size(), [&](std::size_t i) { return fn(pages[i]); });
}

} // namespace quillstone::pipeline
