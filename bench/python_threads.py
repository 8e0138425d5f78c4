#!/usr/bin/env python3
"""Converts every corpus paper from Python with one thread and then with two, to show that the
module releases the interpreter lock: on a machine with two cores two threads should take close
to half the wall time of one.

    PYTHONPATH=build/python:python python3 bench/python_threads.py [../shared/corpus]
"""
import concurrent.futures
import glob
import os
import sys
import time

import _quillstone


def run(papers, threads):
    start = time.perf_counter()
    with concurrent.futures.ThreadPoolExecutor(max_workers=threads) as pool:
        list(pool.map(_quillstone.convert_json, papers))
    return time.perf_counter() - start


def main():
    corpus = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "shared", "corpus")
    papers = sorted(glob.glob(os.path.join(corpus, "*.pdf")))
    if not papers:
        sys.exit("no PDFs in %s" % corpus)
    run(papers[:2], 1)  # warm the page cache
    one = run(papers, 1)
    two = run(papers, 2)
    print("%d papers: 1 thread %.2f s, 2 threads %.2f s, speed-up %.2fx" % (
        len(papers), one, two, one / two))


if __name__ == "__main__":
    main()
