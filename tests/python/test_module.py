import json
import os
import subprocess
import sys
import threading

import pytest

import _quillstone
import quillstone


def test_metadata_and_exception_class():
    assert _quillstone.__version__ == "0.2.2"
    assert issubclass(_quillstone.ScannedDocument, ValueError)
    assert _quillstone.ScannedDocument.__qualname__ == "ScannedDocument"
    assert _quillstone.ScannedDocument.__module__ == "_quillstone"
    assert (_quillstone.ScannedDocument.__doc__
            == "The PDF is image-only, which this pipeline does not handle.")
    assert _quillstone.to_markdown.__text_signature__ == "(path, caveman=None)"
    assert _quillstone.extract_json.__text_signature__ == "(path)"
    assert _quillstone._run_cli.__text_signature__ == "(args)"
    assert _quillstone.to_markdown.__doc__.startswith("Converts a PDF to Markdown.\n\n`caveman`")


def test_caveman_spellings(papers):
    paper = papers[0]
    plain = _quillstone.to_markdown(paper)
    assert _quillstone.to_markdown(paper, None) == plain
    assert _quillstone.to_markdown(paper, caveman="off") == plain
    assert _quillstone.to_markdown(path=paper, caveman="none") == plain
    for level in ("light", "hard"):
        assert isinstance(_quillstone.to_markdown(paper, level), str)


@pytest.mark.parametrize("level, shown", [
    ("Light", '"Light"'),
    ('sa"y', '"sa\\"y"'),
    ("back\\slash", '"back\\\\slash"'),
    ("tab\there", '"tab\\there"'),
])
def test_unknown_caveman_level_is_refused_before_any_work(level, shown):
    # The path does not exist: the level must be checked first.
    with pytest.raises(ValueError) as err:
        _quillstone.to_text("/nonexistent.pdf", caveman=level)
    assert str(err.value) == ('unknown caveman level %s; expected "off", "light" or "hard"'
                              % shown)


def test_wrong_types_raise_type_error(papers):
    with pytest.raises(TypeError, match="path"):
        _quillstone.to_markdown(42)
    with pytest.raises(TypeError, match="caveman"):
        _quillstone.to_markdown(papers[0], caveman=1)
    with pytest.raises(TypeError):
        _quillstone.to_markdown()
    with pytest.raises(TypeError):
        _quillstone.extract_json(path=b"bytes.pdf")
    with pytest.raises(TypeError):
        _quillstone.to_json(papers[0], "off", "extra")


def test_errors_map_to_exceptions(scanned_pdf, tmp_path):
    with pytest.raises(_quillstone.ScannedDocument) as err:
        _quillstone.to_markdown(scanned_pdf)
    assert "looks like a scanned document (1/1 pages" in str(err.value)
    # Callers that only know ValueError still catch it.
    with pytest.raises(ValueError):
        _quillstone.extract_json(scanned_pdf)
    # A missing file is the reader failing to open it, not an OSError.
    missing = str(tmp_path / "missing.pdf")
    with pytest.raises(ValueError) as err:
        _quillstone.to_json(missing)
    assert not isinstance(err.value, OSError)
    assert str(err.value).startswith("could not open the document: " + missing + ": io error: ")
    garbage = tmp_path / "garbage.pdf"
    garbage.write_bytes(b"not a pdf")
    with pytest.raises(ValueError, match="malformed pdf"):
        _quillstone.to_typst(str(garbage))


def test_convert_json_is_one_run_rendered_twice(papers):
    pair = _quillstone.convert_json(papers[1])
    assert isinstance(pair, tuple) and len(pair) == 2
    markdown, document = pair
    assert markdown == _quillstone.to_markdown(papers[1])
    assert json.loads(document) == json.loads(_quillstone.to_json(papers[1]))
    assert not document.endswith("\n")


def test_extract_json_key_order(papers):
    text = _quillstone.extract_json(papers[0])
    assert not text.endswith("\n")
    doc = json.loads(text)
    assert list(doc) == ["fonts", "pages"]
    assert list(doc["pages"][0])[:4] == ["index", "width", "height", "rotation"]
    assert doc["pages"][0]["glyphs"]


def test_package_wraps_the_module(papers):
    assert quillstone.__version__ == "0.2.2"
    assert isinstance(quillstone.to_json(papers[0]), dict)
    assert quillstone.ScannedDocument is _quillstone.ScannedDocument


def test_run_cli_statuses(capfd, papers):
    assert _quillstone._run_cli(["quillstone", "--version"]) == 0
    assert capfd.readouterr().out == "quillstone 0.2.2\n"
    assert _quillstone._run_cli(["quillstone"]) == 2
    assert "dump" in capfd.readouterr().err
    assert _quillstone._run_cli(args=("quillstone", "probe", papers[0])) == 0
    assert capfd.readouterr().out.startswith(papers[0] + "\n")
    assert _quillstone._run_cli(["quillstone", "dump", "/nonexistent.pdf"]) == 1
    assert capfd.readouterr().err.startswith("Error: extracting /nonexistent.pdf\n")
    with pytest.raises(TypeError):
        _quillstone._run_cli("quillstone --version")
    with pytest.raises(TypeError):
        _quillstone._run_cli(42)
    with pytest.raises(TypeError):
        _quillstone._run_cli(["quillstone", 7])


def test_python_dash_m(papers):
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path))
    done = subprocess.run([sys.executable, "-m", "quillstone", "--version"], env=env,
                          capture_output=True, text=True)
    assert done.returncode == 0
    assert done.stdout == "quillstone 0.2.2\n"


def test_concurrent_conversions_match_sequential_ones(papers):
    jobs = [papers[i % len(papers)] for i in range(8)]
    expected = {p: _quillstone.convert_json(p) for p in papers}
    results = [None] * len(jobs)
    errors = []

    def work(i):
        try:
            results[i] = _quillstone.convert_json(jobs[i])
        except Exception as e:  # reported below, so a failure names its thread
            errors.append(e)

    threads = [threading.Thread(target=work, args=(i,)) for i in range(len(jobs))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not errors
    for job, result in zip(jobs, results):
        assert result == expected[job]


def rss_kib():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") // 1024


def test_memory_stays_flat_over_many_calls(papers, scanned_pdf):
    for _ in range(30):
        _quillstone.convert_json(papers[0])
    before = rss_kib()
    for i in range(300):
        _quillstone.convert_json(papers[0])
        with pytest.raises(ValueError):
            _quillstone.to_text(scanned_pdf)
    grown = rss_kib() - before
    assert grown < 20 * 1024, "resident memory grew by %d KiB" % grown


def test_only_the_init_function_is_exported():
    assert _quillstone.__file__.endswith("_quillstone.abi3.so")
    symbols = subprocess.run(["nm", "-D", "--defined-only", _quillstone.__file__],
                             capture_output=True, text=True, check=True).stdout.split()
    assert [s for s in symbols if not s.startswith(("0", "T", "W", "D", "B", "R"))] == [
        "PyInit__quillstone"]


def test_every_python_on_the_machine_imports_the_same_library(papers):
    import shutil
    pythons = {os.path.realpath(p) for p in (shutil.which("python3"), "/usr/bin/python3",
                                             sys.executable) if p}
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path))
    code = "import _quillstone, sys; print(_quillstone.__file__); " \
           "print(len(_quillstone.extract_json(sys.argv[1])) > 0)"
    for python in sorted(pythons):
        done = subprocess.run([python, "-c", code, papers[0]], env=env, capture_output=True,
                              text=True)
        assert done.returncode == 0, python + ": " + done.stderr
        assert done.stdout.split() == [_quillstone.__file__, "True"], python
