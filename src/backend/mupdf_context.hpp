#pragma once
// MuPDF plumbing shared by the backend's sources: a context per document with an accounting
// allocator, silenced diagnostics, and the bounds (memory and time) a hostile file can hit.
// Included only by backend/*.cpp.

#include <mupdf/fitz.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

static_assert(FZ_VERSION_MAJOR == 1 && FZ_VERSION_MINOR >= 21,
              "the backend is written against MuPDF 1.21");

namespace quillstone::backend {

enum class Bound { None, Memory, Time };

// The allocator's state. It outlives the context it serves.
struct Budget {
    std::size_t used = 0;
    std::size_t peak = 0;
    std::size_t limit = 0;
    std::chrono::milliseconds page_time{0};
    // Once armed, an allocation after the deadline fails and stays failing until disarmed, so
    // a run that never ends unwinds through MuPDF's own out-of-memory path.
    bool armed = false;
    std::chrono::steady_clock::time_point deadline{};
    unsigned tick = 0;
    Bound hit = Bound::None;
    fz_cookie* cookie = nullptr;

    void arm(fz_cookie* c);
    void disarm();
    // Called from device callbacks as well, so a page that draws without allocating still stops.
    bool expired();
};

struct ContextDeleter {
    void operator()(fz_context* ctx) const noexcept { fz_drop_context(ctx); }
};
using ContextPtr = std::unique_ptr<fz_context, ContextDeleter>;

// A fresh context drawing on `budget`, with MuPDF's error and warning printing switched off.
// Null when MuPDF could not even allocate the context.
[[nodiscard]] ContextPtr new_context(Budget& budget);

// The message describing a bound that was hit, for the page failure it causes.
[[nodiscard]] std::string bound_message(Bound bound, const Budget& budget);

// Runs `fn` under fz_try. `fn` may touch only MuPDF and plain locals (a longjmp skips
// destructors). Returns MuPDF's message on failure.
template <class Fn>
std::optional<std::string> guarded(fz_context* ctx, Fn&& fn) {
    int failed = 0;
    fz_var(failed);
    fz_try(ctx) { fn(); }
    fz_catch(ctx) { failed = 1; }
    if (failed) return std::string(fz_caught_message(ctx));
    return std::nullopt;
}

} // namespace quillstone::backend
