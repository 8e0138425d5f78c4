#include "backend/pdf.hpp"

#include "backend/mupdf_context.hpp"
#include "backend/page_builder.hpp"
#include "backend/pdf_device.hpp"
#include "io/file.hpp"

#include <mupdf/pdf.h>

#include <cmath>
#include <cstring>
#include <variant>

namespace quillstone::backend {

struct PdfBackend::Impl {
    // Declaration order is destruction order reversed: the document goes before the context,
    // the context before the allocator state and the bytes it reads.
    Budget budget;
    std::string bytes;
    std::string path;
    ContextPtr ctx;
    fz_document* doc = nullptr;
    std::size_t pages = 0;

    ~Impl() {
        if (doc) fz_drop_document(ctx.get(), doc);
    }
};

namespace {

// Words MuPDF's text the way the system reports reader failures.
std::string reader_text(const std::string& message) {
    std::string lower = message;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.find("crypt") != std::string::npos || lower.find("security handler") != std::string::npos)
        return "unsupported encryption: " + message;
    return "malformed pdf: " + message;
}

// The page failure for a run that failed, naming the bound when one was hit.
Error page_failure(std::size_t index, const Budget& budget, const std::string& message) {
    const auto page = static_cast<std::uint32_t>(index);
    if (budget.hit != Bound::None) return Error::pdf_page(page, bound_message(budget.hit, budget));
    return Error::pdf_page(page, reader_text(message));
}

} // namespace

PdfBackend::PdfBackend(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
PdfBackend::~PdfBackend() = default;

Result<std::unique_ptr<PdfBackend>> PdfBackend::open_with_password(const std::string& path) {
    auto read = io::read_file(path);
    if (auto* err = std::get_if<IoError>(&read))
        return Error::pdf_open(path + ": io error: " + err->text);
    return open_bytes(std::move(std::get<std::string>(read)), path);
}

Result<std::unique_ptr<PdfBackend>> PdfBackend::open_bytes(std::string bytes,
                                                           const std::string& path,
                                                           const ReaderLimits& limits) {
    auto impl = std::make_unique<Impl>();
    impl->budget.limit = limits.memory_bytes;
    impl->budget.page_time = limits.page_time;
    impl->bytes = std::move(bytes);
    impl->path = path;
    impl->ctx = new_context(impl->budget);
    if (!impl->ctx) return Error::pdf_open(path + ": io error: out of memory");
    fz_context* ctx = impl->ctx.get();

    pdf_document* pdoc = nullptr;
    int needs_password = 0;
    int pages = 0;
    const auto* data = reinterpret_cast<const unsigned char*>(impl->bytes.data());
    const std::size_t size = impl->bytes.size();
    fz_var(pdoc);
    const auto failure = guarded(ctx, [&] {
        fz_buffer* buf = nullptr;
        fz_stream* stm = nullptr;
        fz_var(buf);
        fz_var(stm);
        fz_try(ctx) {
            buf = fz_new_buffer_from_shared_data(ctx, data, size);
            stm = fz_open_buffer(ctx, buf);
            pdoc = pdf_open_document_with_stream(ctx, stm);
        }
        fz_always(ctx) {
            fz_drop_stream(ctx, stm);
            fz_drop_buffer(ctx, buf);
        }
        fz_catch(ctx) { fz_rethrow(ctx); }
        needs_password = pdf_needs_password(ctx, pdoc);
        if (needs_password) needs_password = !pdf_authenticate_password(ctx, pdoc, "");
        if (!needs_password) pages = pdf_count_pages(ctx, pdoc);
    });
    if (pdoc) impl->doc = &pdoc->super;
    if (failure) return Error::pdf_open(path + ": " + reader_text(*failure));
    if (needs_password) return Error::pdf_open(path + ": invalid password");
    impl->pages = pages > 0 ? static_cast<std::size_t>(pages) : 0;
    return std::unique_ptr<PdfBackend>(new PdfBackend(std::move(impl)));
}

std::size_t PdfBackend::page_count() const { return impl_->pages; }

const std::string& PdfBackend::path() const { return impl_->path; }

void PdfBackend::release_caches() { fz_empty_store(impl_->ctx.get()); }

Result<ir::PageRaw> PdfBackend::page(std::size_t index, ir::FontTable& fonts) {
    if (index >= impl_->pages) return Error::page_out_of_range(static_cast<std::uint32_t>(index));
    fz_context* ctx = impl_->ctx.get();
    fz_document* doc = impl_->doc;
    const int number = static_cast<int>(index);

    // Page geometry first: it decides the matrix the collector maps everything through.
    fz_page* page = nullptr;
    fz_rect box{};
    fz_matrix page_ctm = fz_identity;
    int rotate = 0;
    fz_var(page);
    Budget& budget = impl_->budget;
    fz_cookie cookie{};
    budget.arm(&cookie);
    auto failure = guarded(ctx, [&] {
        page = fz_load_page(ctx, doc, number);
        pdf_page* ppage = pdf_page_from_fz_page(ctx, page);
        if (!ppage) fz_throw(ctx, FZ_ERROR_GENERIC, "not a PDF page");
        pdf_page_transform(ctx, ppage, &box, &page_ctm);
        rotate = pdf_to_int(ctx, pdf_dict_get_inheritable(ctx, ppage->obj, PDF_NAME(Rotate)));
    });
    if (failure) {
        fz_drop_page(ctx, page);
        budget.disarm();
        return page_failure(index, budget, *failure);
    }

    const PageMatrix matrix = page_matrix(ir::Rect{box.x0, box.y0, box.x1, box.y1}, rotate);
    PageBuilder builder(index, matrix, fonts);
    Collector collector(ctx, builder, budget);
    collector.learn_fonts(pdf_page_from_fz_page(ctx, page));

    fz_device* dev = nullptr;
    fz_var(dev);
    failure = guarded(ctx, [&] {
        fz_try(ctx) {
            dev = new_collecting_device(ctx, collector);
            // fz_run_page prepends the page's own transform; undoing it hands the device PDF
            // user space, which the collector maps with the system's page matrix.
            fz_run_page(ctx, page, dev, fz_invert_matrix(page_ctm), &cookie);
            fz_close_device(ctx, dev);
        }
        fz_always(ctx) { fz_drop_device(ctx, dev); }
        fz_catch(ctx) { fz_rethrow(ctx); }
    });
    fz_drop_page(ctx, page);
    collector.finish();
    budget.disarm();
    if (budget.hit == Bound::Time || cookie.abort) {
        budget.hit = Bound::Time;
        return page_failure(index, budget, "aborted");
    }
    if (failure) return page_failure(index, budget, *failure);
    if (collector.failed()) {
        // Our own side ran out of memory while collecting.
        budget.hit = Bound::Memory;
        return page_failure(index, budget, "out of memory");
    }
    budget.hit = Bound::None;
    return std::move(builder).finish();
}

Result<std::string> PdfBackend::render_region(std::size_t index, const ir::Rect& rect, float dpi) {
    if (index >= impl_->pages) return Error::page_out_of_range(static_cast<std::uint32_t>(index));
    fz_context* ctx = impl_->ctx.get();
    fz_document* doc = impl_->doc;
    const int number = static_cast<int>(index);
    Budget& budget = impl_->budget;
    fz_cookie cookie{};
    budget.arm(&cookie);

    fz_page* page = nullptr;
    fz_pixmap* pix = nullptr;
    fz_device* dev = nullptr;
    fz_buffer* png = nullptr;
    fz_var(page);
    fz_var(pix);
    fz_var(dev);
    fz_var(png);
    const float scale = dpi / 72.0f;
    const auto failure = guarded(ctx, [&] {
        fz_try(ctx) {
            page = fz_load_page(ctx, doc, number);
            pdf_page* ppage = pdf_page_from_fz_page(ctx, page);
            if (!ppage) fz_throw(ctx, FZ_ERROR_GENERIC, "not a PDF page");
            fz_rect box;
            fz_matrix page_ctm;
            pdf_page_transform(ctx, ppage, &box, &page_ctm);
            const int rotate =
                pdf_to_int(ctx, pdf_dict_get_inheritable(ctx, ppage->obj, PDF_NAME(Rotate)));
            const PageMatrix m = page_matrix(ir::Rect{box.x0, box.y0, box.x1, box.y1}, rotate);
            // Device space is the system's page space scaled to pixels, so `rect` can be used
            // as it is whatever the page's rotation and box offset.
            const fz_matrix ours{static_cast<float>(m.a), static_cast<float>(m.b),
                                 static_cast<float>(m.c), static_cast<float>(m.d),
                                 static_cast<float>(m.e), static_cast<float>(m.f)};
            const fz_matrix to_pixels = fz_scale(scale, scale);
            const fz_matrix transform =
                fz_concat(fz_concat(fz_invert_matrix(page_ctm), ours), to_pixels);
            const fz_irect bbox = fz_round_rect(fz_transform_rect(
                fz_make_rect(rect.x0, rect.y0, rect.x1, rect.y1), to_pixels));
            pix = fz_new_pixmap_with_bbox(ctx, fz_device_rgb(ctx), bbox, nullptr, 0);
            fz_clear_pixmap_with_value(ctx, pix, 0xFF);
            dev = fz_new_draw_device(ctx, fz_identity, pix);
            fz_run_page(ctx, page, dev, transform, &cookie);
            fz_close_device(ctx, dev);
            png = fz_new_buffer_from_pixmap_as_png(ctx, pix, fz_default_color_params);
        }
        fz_always(ctx) {
            fz_drop_device(ctx, dev);
            fz_drop_pixmap(ctx, pix);
            fz_drop_page(ctx, page);
        }
        fz_catch(ctx) { fz_rethrow(ctx); }
    });
    budget.disarm();
    if (failure || cookie.abort) {
        fz_drop_buffer(ctx, png);
        const auto p = static_cast<std::uint32_t>(index);
        if (budget.hit != Bound::None) return Error::pdf_page(p, bound_message(budget.hit, budget));
        return Error::pdf_page(p, "render error: " + failure.value_or("aborted"));
    }
    unsigned char* data = nullptr;
    const std::size_t len = fz_buffer_storage(ctx, png, &data);
    std::string bytes(reinterpret_cast<const char*>(data), len);
    fz_drop_buffer(ctx, png);
    return bytes;
}

} // namespace quillstone::backend
