import os
import sys

import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
FIXTURES = os.path.join(ROOT, "tests", "fixtures")

# The built extension and the package are found through PYTHONPATH (set by the test runner);
# fall back to the default build directory when run by hand.
for path in (os.path.join(ROOT, "build", "python"), os.path.join(ROOT, "python")):
    if path not in sys.path:
        sys.path.append(path)


def scanned_pdf_bytes(pages=1):
    """A PDF whose pages each carry one full-page image and no text."""
    objects = ["<< /Type /Catalog /Pages 2 0 R >>", None]
    kids = []
    content = b"q 612 0 0 792 0 0 cm /Im1 Do Q"
    image = 3
    objects.append(b"<< /Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray "
                   b"/BitsPerComponent 8 /Length 1 >>\nstream\n\x80\nendstream")
    for _ in range(pages):
        objects.append(b"<< /Length %d >>\nstream\n" % len(content) + content + b"\nendstream")
        stream = len(objects)
        objects.append("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents %d 0 R "
                       "/Resources << /XObject << /Im1 %d 0 R >> >> >>" % (stream, image))
        kids.append("%d 0 R" % len(objects))
    objects[1] = "<< /Type /Pages /Kids [%s] /Count %d >>" % (" ".join(kids), pages)
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for i, body in enumerate(objects, start=1):
        offsets.append(len(out))
        body = body.encode() if isinstance(body, str) else body
        out += b"%d 0 obj\n" % i + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for off in offsets:
        out += b"%010d 00000 n \n" % off
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    return bytes(out)


@pytest.fixture
def scanned_pdf(tmp_path):
    path = tmp_path / "scan.pdf"
    path.write_bytes(scanned_pdf_bytes())
    return str(path)


@pytest.fixture
def papers():
    names = ["one-column.pdf", "two-column.pdf", "landscape.pdf"]
    return [os.path.join(FIXTURES, n) for n in names]
