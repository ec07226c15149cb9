#!/usr/bin/env python3
"""Compares the end-to-end runs two builds left (PUCKSLIDE_KEEP_RUNS=DIR for each): every
trace line, screenshot and high-score file of a run must be the same, and its sound as loud
(SDL's disk driver writes as fast as it can, so the file's length follows the clock and only its
loudness compares). Network sessions are timed by the clock, so their traces are left out.
  scripts/compare-runs.py BEFORE AFTER"""
import pathlib
import re
import subprocess
import sys


def network(trace):
    return '"made_ms"' in trace or '"host_frame"' in trace


def same_picture(a, b):
    out = subprocess.run(["compare", "-metric", "AE", str(a), str(b), "null:"], capture_output=True, text=True)
    return out.stderr.strip() == "0"


def loudness(path):
    out = subprocess.run(["sox", "-t", "raw", "-r", "44100", "-e", "signed", "-b", "16", "-c", "2", str(path), "-n",
                          "stat"], capture_output=True, text=True)
    return re.findall(r"(?:Maximum|Minimum) amplitude:\s+(\S+)", out.stderr)


def main(before, after):
    differ, compared, missing = [], 0, []
    for run in sorted(p for p in before.iterdir() if p.is_dir()):
        other = after / run.name
        if not other.is_dir():
            missing.append(run.name)
            continue
        for path in sorted(run.rglob("*")):
            if not path.is_file() or path.is_symlink() or "data" in path.relative_to(run).parts[:1]:
                continue
            theirs = other / path.relative_to(run)
            if path.name == "trace.jsonl":
                text = path.read_text()
                if network(text):
                    continue
                ok = theirs.exists() and theirs.read_text() == text
            elif path.suffix == ".png":
                ok = theirs.exists() and same_picture(path, theirs)
            elif path.name == "audio.raw":
                ok = theirs.exists() and loudness(path) == loudness(theirs)
            elif path.name == "config.cfg":
                ok = theirs.exists() and theirs.read_bytes() == path.read_bytes()
            else:
                continue
            compared += 1
            if not ok:
                differ.append(str(path.relative_to(before)))
    print(f"{compared} files compared, {len(differ)} differ, {len(missing)} runs missing")
    for name in differ + [f"missing: {m}" for m in missing]:
        print("  " + name)
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main(pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])))
