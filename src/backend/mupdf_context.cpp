#include "backend/mupdf_context.hpp"

#include <cstdlib>
#include <cstring>

namespace quillstone::backend {

namespace {

// Every block carries its size in front so that frees and reallocs can be accounted for.
constexpr std::size_t header = alignof(std::max_align_t);

void* budget_malloc(void* user, std::size_t size) {
    auto* b = static_cast<Budget*>(user);
    if (b->expired()) return nullptr;
    if (size > b->limit - b->used) {
        // Not latched: MuPDF evicts its caches and retries, and only fails if that is not enough.
        b->hit = Bound::Memory;
        return nullptr;
    }
    auto* p = static_cast<unsigned char*>(std::malloc(size + header));
    if (!p) return nullptr;
    std::memcpy(p, &size, sizeof size);
    b->used += size;
    if (b->used > b->peak) b->peak = b->used;
    return p + header;
}

void budget_free(void* user, void* ptr) {
    if (!ptr) return;
    auto* b = static_cast<Budget*>(user);
    auto* p = static_cast<unsigned char*>(ptr) - header;
    std::size_t size = 0;
    std::memcpy(&size, p, sizeof size);
    b->used -= size;
    std::free(p);
}

void* budget_realloc(void* user, void* old, std::size_t size) {
    if (!old) return budget_malloc(user, size);
    if (size == 0) {
        budget_free(user, old);
        return nullptr;
    }
    auto* b = static_cast<Budget*>(user);
    auto* p = static_cast<unsigned char*>(old) - header;
    std::size_t old_size = 0;
    std::memcpy(&old_size, p, sizeof old_size);
    if (b->expired()) return nullptr;
    if (size > old_size && size - old_size > b->limit - b->used) {
        b->hit = Bound::Memory;
        return nullptr;
    }
    auto* q = static_cast<unsigned char*>(std::realloc(p, size + header));
    if (!q) return nullptr;
    std::memcpy(q, &size, sizeof size);
    b->used = b->used - old_size + size;
    if (b->used > b->peak) b->peak = b->used;
    return q + header;
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
