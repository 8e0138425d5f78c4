"""quillstone: structured text from born-digital scientific PDFs.

A thin layer over the native module `_quillstone`. Every function takes one PDF path; the
converting ones also take `caveman` (None, "off", "light" or "hard").
"""

import json as _json

import _quillstone
from _quillstone import (
    ScannedDocument,
    __version__,
    _run_cli,
    convert_json,
    extract_json,
    to_markdown,
    to_text,
    to_typst,
)

__all__ = [
    "ScannedDocument",
    "__version__",
    "convert_json",
    "extract_json",
    "to_json",
    "to_markdown",
    "to_text",
    "to_typst",
]


def to_json(path, caveman=None):
    """Converts a PDF to the document model, returned as a dict.

    The native module hands the model across as JSON text; parsing it here keeps the native side
    free of any bridge to Python objects, and costs nothing next to the conversion itself.
    """
    return _json.loads(_quillstone.to_json(path, caveman))
