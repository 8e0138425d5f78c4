#include "error/error.hpp"

#include <cerrno>
#include <cstring>

namespace quillstone {

IoError IoError::from_errno(int code) {
    // strerror's text plus the number, so a report names the exact failure even when the text is
    // vague ("Input/output error").
    std::string text = std::strerror(code);
    text += " (os error " + std::to_string(code) + ")";
    return IoError{code, std::move(text)};
}

bool IoError::broken_pipe() const { return code == EPIPE; }

Error Error::io(std::string path, IoError source) {
    Error e;
    e.kind = ErrorKind::Io;
    e.path = std::move(path);
    e.causes.push_back(Cause{std::move(source.text), source.code});
    return e;
}

Error Error::pdf_open(std::string text) {
    Error e;
    e.kind = ErrorKind::PdfOpen;
    e.text = std::move(text);
    return e;
}

Error Error::pdf_page(std::uint32_t page, std::string reader_text) {
    Error e;
    e.kind = ErrorKind::PdfPage;
    e.page = page;
    e.causes.push_back(Cause{std::move(reader_text), 0});
    return e;
}

Error Error::scanned_document(std::string path, std::uint32_t scanned, std::uint32_t total) {
    Error e;
    e.kind = ErrorKind::Scanned;
    e.path = std::move(path);
    e.scanned = scanned;
    e.total = total;
    return e;
}

Error Error::page_out_of_range(std::uint32_t page) {
    Error e;
    e.kind = ErrorKind::PageOutOfRange;
    e.page = page;
    return e;
}

std::string Error::message() const {
    const std::string cause = causes.empty() ? std::string() : causes.front().text;
    switch (kind) {
    case ErrorKind::Io:
        return "failed to read " + path + ": " + cause;
    case ErrorKind::PdfOpen:
        return "could not open the document: " + text;
    case ErrorKind::PdfPage:
        return "failed while reading page " + std::to_string(page) + ": " + cause;
    case ErrorKind::Scanned:
        return path + " looks like a scanned document (" + std::to_string(scanned) + "/" +
               std::to_string(total) +
               " pages have no extractable text); quillstone handles born-digital PDFs only";
    case ErrorKind::PageOutOfRange:
        return "page " + std::to_string(page) + " is out of range";
    }
    return {};
}

std::string Error::debug() const {
    switch (kind) {
    case ErrorKind::Io:
        return "Io { path: \"" + path + "\", source: \"" + message() + "\" }";
    case ErrorKind::PdfOpen:
        return "PdfOpen(\"" + text + "\")";
    case ErrorKind::PdfPage:
        return "PdfPage { page: " + std::to_string(page) + ", source: \"" +
               (causes.empty() ? std::string() : causes.front().text) + "\" }";
    case ErrorKind::Scanned:
        return "Scanned { path: \"" + path + "\", scanned: " + std::to_string(scanned) +
               ", total: " + std::to_string(total) + " }";
    case ErrorKind::PageOutOfRange:
        return "PageOutOfRange(" + std::to_string(page) + ")";
    }
    return {};
}

Failure::Failure(const Error& error) {
    chain_.push_back(Cause{error.message(), 0});
    chain_.insert(chain_.end(), error.causes.begin(), error.causes.end());
}

Failure::Failure(const IoError& error) { chain_.push_back(Cause{error.text, error.code}); }

Failure::Failure(std::string message) { chain_.push_back(Cause{std::move(message), 0}); }

Failure Failure::context(std::string message) && {
    chain_.insert(chain_.begin(), Cause{std::move(message), 0});
    return std::move(*this);
}

bool Failure::broken_pipe() const {
    for (const Cause& c : chain_)
        if (c.os_error == EPIPE) return true;
    return false;
}

namespace {

// Indents every line after the first of a multi-line cause so it lines up under its first line.
std::string indent_continuation(const std::string& text, const std::string& pad) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '\n') out += pad;
    }
    return out;
}

} // namespace

std::string Failure::report() const {
    std::string out = "Error: " + chain_.front().text + "\n";
    const std::size_t causes = chain_.size() - 1;
    if (causes == 0) return out;
    out += "\nCaused by:\n";
    if (causes == 1) {
        out += "    " + indent_continuation(chain_[1].text, "    ") + "\n";
        return out;
    }
    for (std::size_t i = 1; i < chain_.size(); ++i) {
        std::string number = std::to_string(i - 1);
        if (number.size() < 5) number.insert(0, 5 - number.size(), ' ');
        out += number + ": " + indent_continuation(chain_[i].text, "       ") + "\n";
    }
    return out;
}

} // namespace quillstone
