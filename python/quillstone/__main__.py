"""`python -m quillstone ...` runs the command line in-process, like the native executable."""

import sys

from _quillstone import _run_cli

if __name__ == "__main__":
    sys.exit(_run_cli(sys.argv))
