#include "backend/mupdf_context.hpp"

#include <cstdlib>
#include <malloc.h>
#include <cstring>

namespace quillstone::backend {

namespace {

// Blocks are accounted at their usable size, which glibc reports for any block it handed out, so
// no header per allocation is needed: MuPDF makes millions of small ones on a large document.
std::size_t block_size(void* p) { return ::malloc_usable_size(p); }

void* budget_malloc(void* user, std::size_t size) {
    auto* b = static_cast<Budget*>(user);
    if (b->expired()) return nullptr;
    if (size > b->limit - b->used) {
        // Not latched: MuPDF evicts its caches and retries, and only fails if that is not enough.
        b->hit = Bound::Memory;
        return nullptr;
    }
    void* p = std::malloc(size);
    if (!p) return nullptr;
    b->used += block_size(p);
    if (b->used > b->peak) b->peak = b->used;
    return p;
}

void budget_free(void* user, void* ptr) {
    if (!ptr) return;
    auto* b = static_cast<Budget*>(user);
    b->used -= block_size(ptr);
    std::free(ptr);
}

void* budget_realloc(void* user, void* old, std::size_t size) {
    if (!old) return budget_malloc(user, size);
    if (size == 0) {
        budget_free(user, old);
        return nullptr;
    }
    auto* b = static_cast<Budget*>(user);
    const std::size_t old_size = block_size(old);
    if (b->expired()) return nullptr;
    if (size > old_size && size - old_size > b->limit - b->used) {
        b->hit = Bound::Memory;
        return nullptr;
    }
    void* q = std::realloc(old, size);
    if (!q) return nullptr;
    b->used = b->used - old_size + block_size(q);
    if (b->used > b->peak) b->peak = b->used;
    return q;
}

void silent(void*, const char*) {}

} // namespace

void Budget::arm(fz_cookie* c) {
    armed = true;
    deadline = std::chrono::steady_clock::now() + page_time;
    tick = 0;
    hit = Bound::None;
    cookie = c;
}

void Budget::disarm() {
    armed = false;
    cookie = nullptr;
}

bool Budget::expired() {
    if (!armed) return false;
    if (hit == Bound::Time) return true;
    // Reading the clock on every allocation would cost more than the allocation.
    if ((++tick & 63u) != 0) return false;
    if (std::chrono::steady_clock::now() <= deadline) return false;
    hit = Bound::Time;
    if (cookie) cookie->abort = 1;
    return true;
}

ContextPtr new_context(Budget& budget) {
    fz_alloc_context alloc{&budget, budget_malloc, budget_realloc, budget_free};
    // fz_new_context copies the allocator description, so a local is fine.
    ContextPtr ctx(fz_new_context(&alloc, nullptr, FZ_STORE_DEFAULT));
    if (!ctx) return ctx;
    fz_set_error_callback(ctx.get(), silent, nullptr);
    fz_set_warning_callback(ctx.get(), silent, nullptr);
    return ctx;
}

std::string bound_message(Bound bound, const Budget& budget) {
    switch (bound) {
    case Bound::Memory:
        return "resource limit: the page needs more than " + std::to_string(budget.limit >> 20) +
               " MiB of memory";
    case Bound::Time: {
        const auto ms = budget.page_time.count();
        const std::string span =
            ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
        return "resource limit: the page took longer than " + span + " to interpret";
    }
    case Bound::None:
        break;
    }
    return {};
}

} // namespace quillstone::backend
