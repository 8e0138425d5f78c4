#!/usr/bin/env python3
"""Installs the built extension and the `quillstone` package into the running interpreter's
site-packages. Run it with the Python you want to install into:

    python3 python/install.py build/python/_quillstone.abi3.so
"""
import os
import shutil
import sys
import sysconfig


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: install.py PATH/_quillstone.abi3.so")
    extension = sys.argv[1]
    package = os.path.join(os.path.dirname(os.path.abspath(__file__)), "quillstone")
    dest = sysconfig.get_paths()["platlib"]
    os.makedirs(dest, exist_ok=True)
    shutil.copy2(extension, os.path.join(dest, "_quillstone.abi3.so"))
    target = os.path.join(dest, "quillstone")
    if os.path.isdir(target):
        shutil.rmtree(target)
    shutil.copytree(package, target, ignore=shutil.ignore_patterns("__pycache__"))
    print("installed quillstone into %s" % dest)


if __name__ == "__main__":
    main()
