#include "support/pdf_builder.hpp"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace quillstone::testing {

namespace {

pdf_obj* font_object(fz_context* ctx, pdf_document* doc, const FontSpec& f) {
    pdf_obj* font = pdf_add_new_dict(ctx, doc, 6);
    pdf_dict_put(ctx, font, PDF_NAME(Type), PDF_NAME(Font));
    pdf_dict_put(ctx, font, PDF_NAME(Subtype), PDF_NAME(Type1));
    pdf_dict_put_name(ctx, font, PDF_NAME(BaseFont), f.base_name.c_str());
    pdf_dict_put(ctx, font, PDF_NAME(Encoding), PDF_NAME(WinAnsiEncoding));
    if (!f.to_unicode.empty()) {
        std::string cmap =
            "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
            "/CMapName /Test def /CMapType 2 def\n"
            "1 begincodespacerange <00> <FF> endcodespacerange\n" +
            std::to_string(f.to_unicode.size()) + " beginbfchar\n";
        for (const auto& line : f.to_unicode) cmap += line + "\n";
        cmap += "endbfchar endcmap CMapName currentdict /CMap defineresource pop end end\n";
        fz_buffer* buf = fz_new_buffer_from_copied_data(
            ctx, reinterpret_cast<const unsigned char*>(cmap.data()), cmap.size());
        pdf_obj* stream = pdf_add_stream(ctx, doc, buf, nullptr, 0);
        fz_drop_buffer(ctx, buf);
        pdf_dict_put_drop(ctx, font, PDF_NAME(ToUnicode), stream);
    }
    if (f.descriptor_flags >= 0) {
        pdf_obj* fd = pdf_add_new_dict(ctx, doc, 4);
        pdf_dict_put(ctx, fd, PDF_NAME(Type), PDF_NAME(FontDescriptor));
        pdf_dict_put_name(ctx, fd, PDF_NAME(FontName), f.base_name.c_str());
        pdf_dict_put_int(ctx, fd, PDF_NAME(Flags), f.descriptor_flags);
        pdf_dict_put_drop(ctx, font, PDF_NAME(FontDescriptor), fd);
    }
    return font;
}

pdf_obj* image_object(fz_context* ctx, pdf_document* doc, const ImageSpec& im) {
    fz_pixmap* pix = fz_new_pixmap(ctx, fz_device_gray(ctx), im.width, im.height, nullptr, 0);
    fz_clear_pixmap_with_value(ctx, pix, 0x80);
    fz_image* image = fz_new_image_from_pixmap(ctx, pix, nullptr);
    fz_drop_pixmap(ctx, pix);
    pdf_obj* ref = pdf_add_image(ctx, doc, image);
    fz_drop_image(ctx, image);
    return ref;
}

} // namespace

std::string make_pdf(const PdfSpec& layout) {
    fz_context* ctx = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
    if (!ctx) throw std::runtime_error("no MuPDF context");
    std::string bytes;
    std::string failure;
    pdf_document* doc = nullptr;
    fz_buffer* out_buf = nullptr;
    fz_output* out = nullptr;
    fz_var(doc);
    fz_var(out_buf);
    fz_var(out);
    fz_try(ctx) {
        doc = pdf_create_document(ctx);
        for (const PageSpec& p : layout.pages) {
            pdf_obj* res = pdf_new_dict(ctx, doc, 2);
            pdf_obj* fonts = pdf_dict_put_dict(ctx, res, PDF_NAME(Font), 4);
            for (const FontSpec& f : p.fonts)
                pdf_dict_puts_drop(ctx, fonts, f.resource.c_str(), font_object(ctx, doc, f));
            if (!p.images.empty()) {
                pdf_obj* xobj = pdf_dict_put_dict(ctx, res, PDF_NAME(XObject), 4);
                for (const ImageSpec& im : p.images)
                    pdf_dict_puts_drop(ctx, xobj, im.resource.c_str(), image_object(ctx, doc, im));
            }
            fz_buffer* contents = fz_new_buffer_from_copied_data(
                ctx, reinterpret_cast<const unsigned char*>(p.content.data()), p.content.size());
            const fz_rect media = fz_make_rect(p.media[0], p.media[1], p.media[2], p.media[3]);
            pdf_obj* page = pdf_add_page(ctx, doc, media, 0, res, contents);
            fz_drop_buffer(ctx, contents);
            pdf_drop_obj(ctx, res);
            pdf_dict_put_rect(ctx, page, PDF_NAME(MediaBox), media);
            if (p.crop)
                pdf_dict_put_rect(ctx, page, PDF_NAME(CropBox),
                                  fz_make_rect((*p.crop)[0], (*p.crop)[1], (*p.crop)[2],
                                               (*p.crop)[3]));
            if (p.rotate != 0) pdf_dict_put_int(ctx, page, PDF_NAME(Rotate), p.rotate);
            pdf_insert_page(ctx, doc, -1, page);
            pdf_drop_obj(ctx, page);
        }
        pdf_write_options opts = pdf_default_write_options;
        if (!layout.user_password.empty() || !layout.owner_password.empty()) {
            opts.do_encrypt = PDF_ENCRYPT_AES_256;
            std::strncpy(opts.upwd_utf8, layout.user_password.c_str(), sizeof opts.upwd_utf8 - 1);
            std::strncpy(opts.opwd_utf8, layout.owner_password.c_str(), sizeof opts.opwd_utf8 - 1);
            opts.permissions = -1;
        }
        out_buf = fz_new_buffer(ctx, 4096);
        out = fz_new_output_with_buffer(ctx, out_buf);
        pdf_write_document(ctx, doc, out, &opts);
        fz_close_output(ctx, out);
        unsigned char* data = nullptr;
        const size_t len = fz_buffer_storage(ctx, out_buf, &data);
        bytes.assign(reinterpret_cast<const char*>(data), len);
    }
    fz_always(ctx) {
        fz_drop_output(ctx, out);
        fz_drop_buffer(ctx, out_buf);
        pdf_drop_document(ctx, doc);
    }
    fz_catch(ctx) { failure = fz_caught_message(ctx); }
    fz_drop_context(ctx);
    if (!failure.empty()) throw std::runtime_error("make_pdf: " + failure);
    return bytes;
}

const std::string& temp_dir() {
    static const std::string dir = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("quillstone-tests-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path.string();
    }();
    return dir;
}

std::string write_temp(const std::string& bytes, const std::string& name) {
    const std::string path = temp_dir() + "/" + name;
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

} // namespace quillstone::testing
