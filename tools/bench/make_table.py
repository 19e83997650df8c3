#!/usr/bin/env python3
"""Merges the native benchmark's JSON and the lines of each Wine runner into
one Markdown report: every operation on every catalogue size, with its time
per call in each build, its floor and its ratio to the floor, the counts of
one call, and the growth from the smallest to the largest catalogue.

Usage: make_table.py native.json machine.txt [LABEL=wine.tsv ...] > performance.md
(LABEL names the Wine build in the headings, e.g. "Wine x64").
"""
import json
import sys

COUNTERS = ["must_read", "bytes_read", "bytes_written", "file_calls", "profile_calls", "memory"]


def load_native(path):
    with open(path) as f:
        data = json.load(f)
    ops, floors, order = {}, {}, []
    for b in data["benchmarks"]:
        if b.get("run_type") == "aggregate" or b.get("error_occurred"):
            continue
        kind, name, forms = b["name"].split("|")
        forms = int(forms.split("/")[0])
        key = (name, forms)
        if kind == "op":
            ops[key] = {"us": float(b["real_time"])}
            for c in COUNTERS:
                ops[key][c] = int(round(float(b.get(c, 0))))
            order.append(key)
        else:
            floors[key] = float(b["real_time"])
    for key in ops:
        ops[key]["floor_us"] = floors.get(key, 0.0)
    return ops, order


def load_wine(path):
    rows = {}
    with open(path) as f:
        header = None
        for line in f:
            fields = line.rstrip("\r\n").split("\t")
            if header is None:
                header = fields
                continue
            if len(fields) != len(header):
                continue
            row = dict(zip(header, fields))
            key = (row["operation"], int(row["forms"]))
            rows[key] = {"us": float(row["us"]), "floor_us": float(row["floor_us"])}
            for c in COUNTERS:
                rows[key][c] = int(row[c])
    return rows


def ratio(us, floor):
    return "n/a" if floor <= 0.01 else "%.2f" % (us / floor)


def counts(native, wines, field):
    """The native count, then each Wine build's where it differs."""
    values = ["%d" % native[field]]
    for w in wines:
        if w is not None and w[field] != native[field]:
            values.append("%d" % w[field])
    return " / ".join(values)


def main():
    native, order = load_native(sys.argv[1])
    machine = open(sys.argv[2]).read().strip()
    wines = []
    for arg in sys.argv[3:]:
        label, path = arg.split("=", 1)
        wines.append((label, load_wine(path)))
    out = []
    out.append("# Benchmark of the last run\n")
    out.append(machine + "\n")
    out.append("Times are microseconds per call. The floor is the time to read once, in one read per file, "
               "the bytes the call must read (the configuration file and the blocks it reads by design); "
               "ratio = time / floor in the same build. Counts are those of one call (native, then a Wine "
               "build's where it differs: %s). Memory is the bytes of working memory taken during the call.\n"
               % (", ".join(label for label, _ in wines) or "no Wine build ran"))
    heads = ["operation", "forms", "native µs", "native floor µs", "native ratio"]
    for label, _ in wines:
        heads += ["%s µs" % label, "%s floor µs" % label, "%s ratio" % label]
    heads += ["must read", "bytes read", "bytes written", "file calls", "INI calls", "memory"]
    out.append("| " + " | ".join(heads) + " |")
    out.append("|---|" + "---:|" * (len(heads) - 1))
    for key in sorted(order, key=lambda k: (k[1], order.index(k))):
        n = native[key]
        cells = [key[0], "%d" % key[1], "%.1f" % n["us"], "%.1f" % n["floor_us"], ratio(n["us"], n["floor_us"])]
        row_wines = []
        for _, rows in wines:
            w = rows.get(key)
            row_wines.append(w)
            cells += ["%.1f" % w["us"] if w else "—", "%.1f" % w["floor_us"] if w else "—",
                      ratio(w["us"], w["floor_us"]) if w else "—"]
        cells.append("%d" % n["must_read"])
        for field in ("bytes_read", "bytes_written", "file_calls", "profile_calls", "memory"):
            cells.append(counts(n, row_wines, field))
        out.append("| " + " | ".join(cells) + " |")

    sizes = sorted({k[1] for k in order})
    out.append("\n## Growth\n")
    out.append("Bytes read and native time per call on each catalogue size, and how much faster time grew "
               "than the bytes read from the middle to the largest catalogue (1.0: in step with its files; "
               "marked when above 2).\n")
    out.append("| operation | " + " | ".join("bytes read (%d)" % s for s in sizes) + " | " +
               " | ".join("native µs (%d)" % s for s in sizes) + " | time growth / bytes growth |")
    out.append("|---|" + "---:|" * (2 * len(sizes) + 1))
    names = []
    for key in order:
        if key[0] not in names:
            names.append(key[0])
    for name in names:
        cells_b, cells_t = [], []
        for s in sizes:
            n = native.get((name, s))
            cells_b.append("%d" % n["bytes_read"] if n else "—")
            cells_t.append("%.1f" % n["us"] if n else "—")
        growth = "—"
        a, b = native.get((name, sizes[-2])), native.get((name, sizes[-1]))
        if a and b and a["us"] > 0:
            time_growth = b["us"] / a["us"]
            byte_growth = b["bytes_read"] / a["bytes_read"] if a["bytes_read"] else 1.0
            value = time_growth / byte_growth if byte_growth else time_growth
            growth = "%.2f%s" % (value, " **(grows faster)**" if value > 2 else "")
        out.append("| %s | %s | %s | %s |" % (name, " | ".join(cells_b), " | ".join(cells_t), growth))
    print("\n".join(out))


if __name__ == "__main__":
    main()
