#!/usr/bin/env python3
"""The coverage table of make coverage: lines, branches and functions of an
lcov tracefile, per source directory and in all.
  coverage_table.py TRACEFILE ROOT"""

import os
import sys


# The counters of a tracefile's record, in the order the table shows them:
# lines found and hit, branches found and hit, functions found and hit.
COUNTERS = ("LF:", "LH:", "BRF:", "BRH:", "FNF:", "FNH:")


def read(path, root):
    per_dir = {}
    current = None
    with open(path) as f:
        for line in f:
            line = line.strip()
            if line.startswith("SF:"):
                directory = os.path.dirname(os.path.relpath(line[3:], root))
                current = per_dir.setdefault(directory, [0] * len(COUNTERS))
                continue
            if current is None:
                continue
            for i, counter in enumerate(COUNTERS):
                if line.startswith(counter):
                    current[i] += int(line[len(counter):])
                    break
    return per_dir


def percent(hit, found):
    return f"{100.0 * hit / found:.1f} % ({hit}/{found})" if found else "-"


def main():
    per_dir = read(sys.argv[1], sys.argv[2])
    print("| directory | lines | branches | functions |")
    print("|---|---:|---:|---:|")
    total = [0] * len(COUNTERS)
    for directory in sorted(per_dir):
        c = per_dir[directory]
        total = [a + b for a, b in zip(total, c)]
        print(f"| {directory} | {percent(c[1], c[0])} | {percent(c[3], c[2])} | {percent(c[5], c[4])} |")
    print(f"| all | {percent(total[1], total[0])} | {percent(total[3], total[2])} | {percent(total[5], total[4])} |")


if __name__ == "__main__":
    main()
