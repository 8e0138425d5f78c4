#!/usr/bin/env python3
"""Runs the command line over a directory of damaged and unusual PDFs and checks that every file
ends with output (status 0) or a clear error report (status 1): never a signal, a hang, runaway
memory or a flood of messages on standard error.

Usage: walk.py --bin build/quillstone --dir ../shared/badpdfs [--command dump ...]
Exits 77 (reported as skipped) when the directory is absent.
"""
import argparse
import concurrent.futures
import os
import signal
import subprocess
import sys
import time

TIME_LIMIT_S = 20.0
MEMORY_LIMIT_KIB = 1536 * 1024
STDERR_LIMIT_BYTES = 4096


def run_one(argv):
    start = time.monotonic()
    proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                            stdin=subprocess.DEVNULL)
    # Read stderr on the side so a chatty child cannot block on a full pipe.
    err_chunks = []
    deadline = start + TIME_LIMIT_S
    os.set_blocking(proc.stderr.fileno(), False)
    status = rusage = None
    while True:
        try:
            chunk = proc.stderr.read()
            if chunk:
                err_chunks.append(chunk)
        except (BlockingIOError, TypeError):
            pass
        pid, status, rusage = os.wait4(proc.pid, os.WNOHANG)
        if pid:
            break
        if time.monotonic() > deadline:
            proc.kill()
            _, status, rusage = os.wait4(proc.pid, 0)
            return {"timeout": True, "elapsed": time.monotonic() - start, "status": None,
                    "signal": None, "maxrss": rusage.ru_maxrss, "stderr": b"".join(err_chunks)}
        time.sleep(0.005)
    rest = proc.stderr.read()
    if rest:
        err_chunks.append(rest)
    proc.stderr.close()
    result = {"timeout": False, "elapsed": time.monotonic() - start, "maxrss": rusage.ru_maxrss,
              "stderr": b"".join(err_chunks), "status": None, "signal": None}
    if os.WIFSIGNALED(status):
        result["signal"] = os.WTERMSIG(status)
    else:
        result["status"] = os.WEXITSTATUS(status)
    return result


def problems(result):
    found = []
    if result["timeout"]:
        found.append("no end within %.0f s" % TIME_LIMIT_S)
    if result["signal"] is not None:
        found.append("killed by signal %s" % signal.Signals(result["signal"]).name)
    if result["status"] not in (None, 0, 1):
        found.append("exit status %s" % result["status"])
    if result["status"] == 1 and not result["stderr"].startswith(b"Error: "):
        found.append("status 1 without an error report")
    if result["status"] == 0 and result["stderr"]:
        found.append("status 0 but wrote to standard error")
    if len(result["stderr"]) > STDERR_LIMIT_BYTES:
        found.append("%d bytes on standard error" % len(result["stderr"]))
    if result["maxrss"] > MEMORY_LIMIT_KIB:
        found.append("peak memory %d MiB" % (result["maxrss"] // 1024))
    return found


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", required=True)
    ap.add_argument("--dir", required=True)
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--command", action="append", default=None,
                    help="subcommand and options to run, e.g. 'dump' or 'convert -f md'")
    args = ap.parse_args()
    if not os.path.isdir(args.dir):
        print("skipped: %s is not here" % args.dir)
        return 77
    commands = args.command or ["dump"]
    files = sorted(os.path.join(root, name) for root, _, names in os.walk(args.dir)
                   for name in names if not name.endswith((".md", ".tsv")))
    jobs = [(cmd, f) for cmd in commands for f in files]

    failures = []
    slowest = (0.0, "")
    peak = (0, "")
    with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        futures = {pool.submit(run_one, [args.bin] + cmd.split() + [f]): (cmd, f)
                   for cmd, f in jobs}
        for fut in concurrent.futures.as_completed(futures):
            cmd, f = futures[fut]
            r = fut.result()
            slowest = max(slowest, (r["elapsed"], f))
            peak = max(peak, (r["maxrss"], f))
            for p in problems(r):
                failures.append("%s %s: %s" % (cmd, os.path.relpath(f, args.dir), p))

    print("%d runs over %d files; slowest %.1f s (%s); peak %d MiB (%s)" % (
        len(jobs), len(files), slowest[0], os.path.relpath(slowest[1], args.dir),
        peak[0] // 1024, os.path.relpath(peak[1], args.dir)))
    for line in sorted(failures):
        print("FAIL " + line)
    print("%d passed, %d failed" % (len(jobs) - len({l.split(":")[0] for l in failures}),
                                    len({l.split(":")[0] for l in failures})))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
