// The CPython extension `_quillstone`, on the stable ABI so one build serves every Python 3.8+.
// Every function checks its arguments, releases the interpreter lock for the whole of its work,
// and turns the system's errors into Python exceptions. No C++ exception crosses into Python.

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "backend/pdf.hpp"
#include "cli/cli.hpp"
#include "doc/json.hpp"
#include "emit/markdown.hpp"
#include "emit/text.hpp"
#include "emit/typst.hpp"
#include "ir/page_json.hpp"
#include "pipeline/convert.hpp"
#include "pipeline/extract.hpp"

#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace {

using quillstone::Error;
using quillstone::ErrorKind;
using quillstone::compress::Caveman;

constexpr const char* module_version = "0.2.2";

// Created with the module and kept for its lifetime.
PyObject* scanned_document_type = nullptr;

// Releases the interpreter lock for a scope and takes it back on every way out.
class WithoutGil {
  public:
    WithoutGil() : state_(PyEval_SaveThread()) {}
    ~WithoutGil() { PyEval_RestoreThread(state_); }
    WithoutGil(const WithoutGil&) = delete;
    WithoutGil& operator=(const WithoutGil&) = delete;

  private:
    PyThreadState* state_;
};

PyObject* raise(const Error& error) {
    PyObject* type = PyExc_ValueError;
    if (error.kind == ErrorKind::Io) type = PyExc_OSError;
    if (error.kind == ErrorKind::Scanned) type = scanned_document_type;
    PyErr_SetString(type, error.message().c_str());
    return nullptr;
}

PyObject* to_str(const std::string& s) {
    return PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "replace");
}

// The name of an object's type; the limited API hides tp_name, but __name__ is always there.
std::string type_name(PyObject* obj) {
    PyObject* name = PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(obj)), "__name__");
    std::string out = "object";
    if (name && PyUnicode_Check(name)) {
        if (PyObject* bytes = PyUnicode_AsUTF8String(name)) {
            out = PyBytes_AsString(bytes);
            Py_DECREF(bytes);
        }
    }
    Py_XDECREF(name);
    PyErr_Clear();
    return out;
}

// The UTF-8 bytes of a str; nullopt with TypeError set when `obj` is not one.
std::optional<std::string> utf8_of(PyObject* obj, const char* name) {
    if (!PyUnicode_Check(obj)) {
        PyErr_Format(PyExc_TypeError, "argument '%s' must be str, not %s", name,
                     type_name(obj).c_str());
        return std::nullopt;
    }
    // PyUnicode_AsUTF8AndSize is not in the 3.8 stable ABI; the bytes object is.
    PyObject* bytes = PyUnicode_AsUTF8String(obj);
    if (!bytes) return std::nullopt;
    char* data = nullptr;
    Py_ssize_t size = 0;
    std::optional<std::string> out;
    if (PyBytes_AsStringAndSize(bytes, &data, &size) == 0)
        out = std::string(data, static_cast<std::size_t>(size));
    Py_DECREF(bytes);
    return out;
}

// The given level shown in double quotes with backslash escapes, as in the error message.
std::string quoted(const std::string& text) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (u < 0x20 || u == 0x7f) {
            out += "\\u{";
            if (u >= 0x10) out += hex[u >> 4];
            out += hex[u & 0xF];
            out += '}';
        } else {
            out += c;
        }
    }
    return out + "\"";
}

struct CavemanArg {
    bool ok = true;
    std::optional<Caveman> level;
};

CavemanArg caveman_level(PyObject* obj) {
    if (!obj || obj == Py_None) return {};
    auto text = utf8_of(obj, "caveman");
    if (!text) return {false, {}};
    if (*text == "off" || *text == "none") return {};
    if (*text == "light") return {true, Caveman::light};
    if (*text == "hard") return {true, Caveman::hard};
    const std::string message = "unknown caveman level " + quoted(*text) +
                                "; expected \"off\", \"light\" or \"hard\"";
    PyErr_SetString(PyExc_ValueError, message.c_str());
    return {false, {}};
}

enum class Render { Markdown, Typst, Text, Json, MarkdownAndJson };

PyObject* convert(PyObject* args, PyObject* kwargs, Render render) {
    static const char* keywords[] = {"path", "caveman", nullptr};
    PyObject* path_obj = nullptr;
    PyObject* caveman_obj = nullptr;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|O", const_cast<char**>(keywords), &path_obj,
                                     &caveman_obj))
        return nullptr;
    const auto path = utf8_of(path_obj, "path");
    if (!path) return nullptr;
    const CavemanArg level = caveman_level(caveman_obj);
    if (!level.ok) return nullptr;

    quillstone::pipeline::ConvertOptions options;
    options.figure_dpi = 150.0f;
    options.caveman = level.level;

    std::optional<Error> failure;
    std::string first, second;
    std::exception_ptr crash;
    {
        WithoutGil unlocked;
        try {
            auto document = quillstone::pipeline::convert_with(*path, options);
            if (!document) {
                failure = document.error();
            } else {
                const auto& d = document.value();
                switch (render) {
                case Render::Markdown:
                    first = quillstone::emit::markdown::render(d);
                    break;
                case Render::Typst:
                    first = quillstone::emit::typst::render(d);
                    break;
                case Render::Text:
                    first = quillstone::emit::text::render(d);
                    break;
                case Render::Json:
                    first = quillstone::doc::to_json(d, quillstone::json::Layout::Compact);
                    break;
                case Render::MarkdownAndJson:
                    second = quillstone::doc::to_json(d, quillstone::json::Layout::Compact);
                    first = quillstone::emit::markdown::render(d);
                    break;
                }
            }
        } catch (...) {
            crash = std::current_exception();
        }
    }
    if (crash) {
        PyErr_SetString(PyExc_RuntimeError, "internal error during conversion");
        return nullptr;
    }
    if (failure) return raise(*failure);
    if (render != Render::MarkdownAndJson) return to_str(first);
    PyObject* md = to_str(first);
    if (!md) return nullptr;
    PyObject* js = to_str(second);
    if (!js) {
        Py_DECREF(md);
        return nullptr;
    }
    PyObject* pair = PyTuple_New(2);
    if (!pair) {
        Py_DECREF(md);
        Py_DECREF(js);
        return nullptr;
    }
    PyTuple_SetItem(pair, 0, md);  // steals the references
    PyTuple_SetItem(pair, 1, js);
    return pair;
}

PyObject* to_markdown(PyObject*, PyObject* args, PyObject* kwargs) {
    return convert(args, kwargs, Render::Markdown);
}
PyObject* to_typst(PyObject*, PyObject* args, PyObject* kwargs) {
    return convert(args, kwargs, Render::Typst);
}
PyObject* to_text(PyObject*, PyObject* args, PyObject* kwargs) {
    return convert(args, kwargs, Render::Text);
}
PyObject* to_json(PyObject*, PyObject* args, PyObject* kwargs) {
    return convert(args, kwargs, Render::Json);
}
PyObject* convert_json(PyObject*, PyObject* args, PyObject* kwargs) {
    return convert(args, kwargs, Render::MarkdownAndJson);
}

PyObject* extract_json(PyObject*, PyObject* args, PyObject* kwargs) {
    static const char* keywords[] = {"path", nullptr};
    PyObject* path_obj = nullptr;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O", const_cast<char**>(keywords), &path_obj))
        return nullptr;
    const auto path = utf8_of(path_obj, "path");
    if (!path) return nullptr;

    std::optional<Error> failure;
    std::string out;
    std::exception_ptr crash;
    {
        WithoutGil unlocked;
        try {
            auto backend = quillstone::backend::PdfBackend::open_with_password(*path);
            if (!backend) {
                failure = backend.error();
            } else {
                auto doc = quillstone::pipeline::extract_from(**backend, *path);
                if (!doc)
                    failure = doc.error();
                else
                    out = quillstone::ir::doc_to_json(*doc, quillstone::json::Layout::Compact);
            }
        } catch (...) {
            crash = std::current_exception();
        }
    }
    if (crash) {
        PyErr_SetString(PyExc_RuntimeError, "internal error during extraction");
        return nullptr;
    }
    if (failure) return raise(*failure);
    return to_str(out);
}

PyObject* run_cli(PyObject*, PyObject* args, PyObject* kwargs) {
    static const char* keywords[] = {"args", nullptr};
    PyObject* seq = nullptr;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O", const_cast<char**>(keywords), &seq))
        return nullptr;
    if (PyUnicode_Check(seq) || !PySequence_Check(seq)) {
        PyErr_Format(PyExc_TypeError, "argument 'args' must be a sequence of str, not %s",
                     type_name(seq).c_str());
        return nullptr;
    }
    const Py_ssize_t n = PySequence_Size(seq);
    if (n < 0) return nullptr;
    std::vector<std::string> argv;
    argv.reserve(static_cast<std::size_t>(n));
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject* item = PySequence_GetItem(seq, i);
        if (!item) return nullptr;
        auto text = utf8_of(item, "args");
        Py_DECREF(item);
        if (!text) return nullptr;
        argv.push_back(std::move(*text));
    }
    int status = 1;
    {
        WithoutGil unlocked;
        // Straight to the process's descriptors: the interpreter's stream objects are not ours.
        quillstone::cli::FdStream out(1), err(2);
        status = quillstone::cli::run(argv, out, err);
    }
    return PyLong_FromLong(status);
}

#define CONVERT_DOC_TAIL                                                                          \
    "`caveman` strips grammatical scaffolding for models that charge by the\n"                    \
    "token: `\"off\"`, `\"light\"` (articles, copulas, stock phrases) or `\"hard\"`\n"            \
    "(also prepositions, pronouns and filler, for about a quarter fewer words).\n"                \
    "It is exposed here because the callers that care about token cost are the\n"                 \
    "scripting ones, which is the whole reason this binding exists."

PyMethodDef methods[] = {
    {"to_markdown", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(to_markdown)),
     METH_VARARGS | METH_KEYWORDS,
     "to_markdown(path, caveman=None)\n--\n\nConverts a PDF to Markdown.\n\n" CONVERT_DOC_TAIL},
    {"convert_json", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(convert_json)),
     METH_VARARGS | METH_KEYWORDS,
     "convert_json(path, caveman=None)\n--\n\n"
     "Converts a PDF once, returning its Markdown and its document model as JSON.\n\n"
     "Both renderings come from a single pipeline run. Callers that want the structure *and* "
     "the\nprose \xe2\x80\x94 which is most of them \xe2\x80\x94 were otherwise converting the "
     "same PDF twice, paying for the\nwhole pipeline to get two views of one result."},
    {"extract_json", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(extract_json)),
     METH_VARARGS | METH_KEYWORDS,
     "extract_json(path)\n--\n\n"
     "Extracts page primitives without interpreting them, as JSON. For diagnostics."},
    {"to_json", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(to_json)),
     METH_VARARGS | METH_KEYWORDS,
     "to_json(path, caveman=None)\n--\n\n"
     "Converts a PDF to the document model, as JSON.\n\n"
     "The Python wrapper parses the result into a dict. Handing JSON across the\n"
     "boundary keeps this binding free of a bridge from the serializer to Python\n"
     "objects, and parsing it costs nothing next to the conversion itself.\n\n"
     "Takes `caveman` for the same reason `to_markdown` does, and so that a\n"
     "caller inspecting the document model sees the same text the Markdown\n"
     "rendering would carry."},
    {"to_text", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(to_text)),
     METH_VARARGS | METH_KEYWORDS,
     "to_text(path, caveman=None)\n--\n\nConverts a PDF to plain text, for indexing and search."},
    {"_run_cli", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(run_cli)),
     METH_VARARGS | METH_KEYWORDS,
     "_run_cli(args)\n--\n\nRun the same CLI as the native executable, returning its exit "
     "status."},
    {"to_typst", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(to_typst)),
     METH_VARARGS | METH_KEYWORDS,
     "to_typst(path, caveman=None)\n--\n\nConverts a PDF to Typst markup."},
    {nullptr, nullptr, 0, nullptr},
};

int exec_module(PyObject* module) {
    if (PyModule_AddStringConstant(module, "__version__", module_version) < 0) return -1;
    if (!scanned_document_type) {
        scanned_document_type = PyErr_NewExceptionWithDoc(
            "_quillstone.ScannedDocument",
            "The PDF is image-only, which this pipeline does not handle.", PyExc_ValueError,
            nullptr);
        if (!scanned_document_type) return -1;
    }
    Py_INCREF(scanned_document_type);
    if (PyModule_AddObject(module, "ScannedDocument", scanned_document_type) < 0) {
        Py_DECREF(scanned_document_type);
        return -1;
    }
    return 0;
}

PyModuleDef_Slot slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "_quillstone",
    "Converts born-digital scientific PDFs to Markdown, Typst, plain text or a JSON document "
    "model.",
    0,
    methods,
    slots,
    nullptr,
    nullptr,
    nullptr,
};

} // namespace

PyMODINIT_FUNC PyInit__quillstone(void) { return PyModuleDef_Init(&module_def); }
