#!/usr/bin/env python3
"""Non-blank, non-comment lines of the tracked C++ under tests/ against all
other tracked C++ (libraries, windows, simulator, tools, benchmarks, fuzz
targets); -v lists the test files largest first."""
import os
import re
import subprocess
import sys

os.chdir(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
files = subprocess.run(["git", "ls-files"], capture_output=True, text=True, check=True).stdout.split()


def lines_of(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        text = re.sub(r"/\*.*?\*/", "", f.read(), flags=re.S)
    return sum(1 for line in text.splitlines() if line.strip() and not line.strip().startswith("//"))


tests, other = {}, 0
for path in files:
    if not re.search(r"\.(cpp|cc|cxx|h|hpp)$", path) or not os.path.exists(path):
        continue
    if path.startswith("tests/"):
        tests[path] = lines_of(path)
    else:
        other += lines_of(path)
total = sum(tests.values())
print(f"tests {total} lines, other C++ {other} lines: {100 * total / other:.1f} %")
if "-v" in sys.argv:
    for path, count in sorted(tests.items(), key=lambda item: -item[1]):
        print(f"{count:5} {path}")
