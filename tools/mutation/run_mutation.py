#!/usr/bin/env python3
"""make mutation: changes the core's code in small ways (tools/mutation/
mutants.py) and counts the changes the native tests notice.

  run_mutation.py --out build/mutation [--jobs N] [--seed S] [--count N]
  run_mutation.py --out build/matrix --matrix REPORT.json [--jobs N]

1. Copies the sources once per worker and builds each copy natively (Ninja,
   warnings not fatal, since a mutant may leave a variable unused).
2. Builds one more copy with gcov and runs every test executable alone on it:
   which executable reaches which line of the mutated files.
3. Each worker takes files in turn. For each mutant of a file: writes the
   mutated text into its copy, rebuilds the executables that reach the
   mutant's lines, and runs them one after the other (fastest first, stopping
   at the first failure) under a time limit of three times the executable's
   own time plus five seconds. A mutant that does not compile is replaced by
   the file's next candidate. A mutant on lines that no test reaches is only
   compiled: it survives.
4. Writes report.md and report.json into --out: killed, survived (with file,
   line, the original and the mutated text), timed out, and the kill rate,
   which counts timed-out mutants as noticed.
"""

import argparse
import concurrent.futures
import datetime
import json
import os
import shutil
import signal
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import mutants  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# The files mutated: the portable core's readers, writers, driver exports and
# driver link, and the rules behind the dialogs.
MUTATED_DIRS = ("src/catalogue", "src/maintenance", "src/driverapi", "src/driverlink")
MUTATED_FILES = ("src/dialogs/dialog_rules.cpp", "src/module/module_state.cpp")
COPIED = ("CMakeLists.txt", "cmake", "include", "src", "tests", "tools")
CONFIGURE = ["-G", "Ninja", "-DZV_WARNINGS_FATAL=OFF", "-DCMAKE_BUILD_TYPE=Release",
             "-DCMAKE_CXX_FLAGS_RELEASE=-O1", "-DCMAKE_C_FLAGS_RELEASE=-O1"]


def log(message):
    print(f"mutation: {message}", flush=True)


def mutated_files():
    found = []
    for d in MUTATED_DIRS:
        for base, _, names in os.walk(os.path.join(ROOT, d)):
            for name in names:
                if name.endswith((".cpp", ".h")):
                    found.append(os.path.relpath(os.path.join(base, name), ROOT))
    found.extend(MUTATED_FILES)
    return sorted(found)


def copy_sources(dest):
    # Fresh times on every copy: a tree left by an earlier run holds objects
    # built from its last mutant, newer than the sources' own times, which
    # Ninja would otherwise take as up to date.
    if os.path.exists(dest):
        shutil.rmtree(dest)
    os.makedirs(dest)
    for item in COPIED:
        src = os.path.join(ROOT, item)
        if os.path.isdir(src):
            shutil.copytree(src, os.path.join(dest, item), ignore=shutil.ignore_patterns("corpus", "__pycache__"),
                            copy_function=shutil.copy)
        else:
            shutil.copy(src, os.path.join(dest, item))


def run(cmd, **kw):
    return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kw)


def configure_and_build(source, build, extra, targets=()):
    r = run(["cmake", "-S", source, "-B", build] + CONFIGURE + extra)
    if r.returncode != 0:
        sys.exit(f"mutation: configuring {build} failed:\n{r.stdout}")
    r = run(["ninja", "-C", build] + [os.path.join("tests", t) for t in targets])
    if r.returncode != 0:
        sys.exit(f"mutation: building {build} failed:\n{r.stdout[-4000:]}")


def gtest_executables(build):
    """The tree's ctest tests that are GoogleTest executables: name, command,
    working directory and the target to rebuild."""
    r = run(["ctest", "--show-only=json-v1"], cwd=build)
    tests = []
    for t in json.loads(r.stdout)["tests"]:
        command = t.get("command") or []
        if not command or not command[0].startswith(build) or not os.path.basename(command[0]).endswith("tests"):
            continue
        cwd = build
        for p in t.get("properties", []):
            if p["name"] == "WORKING_DIRECTORY":
                cwd = p["value"]
        # The results go nowhere: only the exit status counts.
        args = [a for a in command[1:] if not a.startswith("--gtest_output")]
        tests.append({"name": os.path.basename(command[0]), "command": [command[0]] + args, "cwd": cwd,
                      "target": os.path.relpath(command[0], build)})
    return tests


def run_test(test, timeout, fail_fast=True):
    command = test["command"] + (["--gtest_fail_fast"] if fail_fast else []) + ["--gtest_brief=1"]
    start = time.monotonic()
    code = run_alone(command, test["cwd"], timeout)
    status = "timeout" if code is None else "passed" if code == 0 else "failed"
    return status, time.monotonic() - start


def run_alone(command, cwd, timeout):
    """Runs a test program in a session of its own: its exit status, or None
    when it ran out of time. Whatever the program left running (the worker
    processes of the stress test, say) is killed with it, so that a mutant
    that makes them spin does not take the processors from the runs after."""
    p = subprocess.Popen(command, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                         start_new_session=True)
    try:
        code = p.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        code = None
    try:
        os.killpg(p.pid, signal.SIGKILL)
    except (ProcessLookupError, PermissionError):
        pass
    p.wait()
    return code


def line_coverage(build, tests, files):
    """For each test executable: the lines of each mutated file it executes;
    and for each file the lines gcov counts as executable."""
    reached = {t["name"]: {} for t in tests}
    executable = {}
    gcno = []
    for base, _, names in os.walk(build):
        gcno.extend(os.path.join(base, n) for n in names if n.endswith(".gcno"))
    source_root = os.path.realpath(os.path.join(build, "..", "src"))
    for t in tests:
        for base, _, names in os.walk(build):
            for n in names:
                if n.endswith(".gcda"):
                    os.remove(os.path.join(base, n))
        status, _ = run_test(t, 600, fail_fast=False)
        if status != "passed":
            sys.exit(f"mutation: {t['name']} does not pass on the unchanged code")
        for note in gcno:
            if not os.path.exists(note[:-5] + ".gcda"):
                continue
            r = subprocess.run(["gcov", "--json-format", "--stdout", note[:-5] + ".gcda"], cwd=os.path.dirname(note),
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
            for doc in r.stdout.splitlines():
                if not doc.strip():
                    continue
                for entry in json.loads(doc).get("files", []):
                    path = os.path.realpath(os.path.join(os.path.dirname(note), entry["file"]))
                    if not path.startswith(source_root + os.sep):
                        continue
                    rel = os.path.relpath(path, source_root)
                    if rel not in files:
                        continue
                    lines = executable.setdefault(rel, set())
                    hit = reached[t["name"]].setdefault(rel, set())
                    for line in entry["lines"]:
                        lines.add(line["line_number"])
                        if line["count"] > 0:
                            hit.add(line["line_number"])
    return reached, executable


def timed(tests):
    """Each test executable's time on the unchanged code; all must pass."""
    timing = {}
    for t in tests:
        status, seconds = run_test(t, 600, fail_fast=False)
        if status != "passed":
            sys.exit(f"mutation: {t['name']} does not pass on the unchanged code")
        timing[t["name"]] = seconds
    return timing


class Worker:
    def __init__(self, index, out):
        self.source = os.path.join(out, f"worker{index}", "src")
        self.build = os.path.join(out, f"worker{index}", "build")

    def setup(self, targets=()):
        copy_sources(self.source)
        configure_and_build(self.source, self.build, [], targets)

    def arm(self, tests, timing, reached=None, executable=None):
        """The executables to run, their times, and which lines each reaches
        (line_coverage); without coverage every executable reaches every
        line."""
        self.tests, self.timing = tests, timing
        self.reached, self.executable = reached, executable or {}

    def reaches_file(self, test, path):
        return self.reached is None or bool(self.reached[test["name"]].get(path))

    def tests_for(self, mutant):
        if self.reached is None:
            return sorted(self.tests, key=lambda t: self.timing[t["name"]])
        span = set(range(mutant.line, mutant.last_line + 1))
        lines = self.executable.get(mutant.file, set())
        if span & lines:
            chosen = [t for t in self.tests if span & self.reached[t["name"]].get(mutant.file, set())]
        else:
            # A declaration or a constant: every executable that reaches the
            # file, or any mutated file when it is a header gcov never saw.
            chosen = [t for t in self.tests if self.reached[t["name"]].get(mutant.file)]
            if not chosen and mutant.file.endswith(".h"):
                chosen = [t for t in self.tests if any(self.reached[t["name"]].values())]
        return sorted(chosen, key=lambda t: self.timing[t["name"]])

    def try_mutant(self, mutant, original):
        path = os.path.join(self.source, mutant.file)
        with open(path, "w") as f:
            f.write(mutant.apply(original))
        chosen = self.tests_for(mutant)
        # A mutant no test reaches is still compiled, in whatever reaches the
        # file, else in everything.
        compiled_by = chosen or [t for t in self.tests if self.reaches_file(t, mutant.file)]
        targets = [t["target"] for t in compiled_by] or ["all"]
        r = run(["ninja", "-C", self.build] + targets)
        if r.returncode != 0:
            return {"status": "invalid"}
        if not chosen:
            return {"status": "survived", "unreached": True, "tests": []}
        ran = []
        for t in chosen:
            status, _ = run_test(t, 3 * self.timing[t["name"]] + 5)
            ran.append(t["name"])
            if status == "failed":
                return {"status": "killed", "by": t["name"], "tests": ran}
            if status == "timeout":
                return {"status": "timeout", "by": t["name"], "tests": ran}
        return {"status": "survived", "unreached": False, "tests": ran}

    def run_file(self, path, order, share):
        full = os.path.join(self.source, path)
        with open(full) as f:
            original = f.read()
        results, invalid = [], 0
        try:
            for mutant in order:
                if len(results) == share:
                    break
                outcome = self.try_mutant(mutant, original)
                if outcome["status"] == "invalid":
                    invalid += 1
                    continue
                outcome.update(mutant_fields(mutant))
                results.append(outcome)
        finally:
            with open(full, "w") as f:
                f.write(original)
        return path, results, invalid


def mutant_fields(m):
    return {"file": m.file, "line": m.line, "kind": m.kind, "original": m.original_text, "mutated": m.mutated_text}


def git_commit():
    r = run(["git", "-C", ROOT, "describe", "--always", "--dirty"])
    return r.stdout.strip()


def write_report(out, results, invalid, seed, count, elapsed, jobs, commit):
    total = len(results)
    by = {s: [r for r in results if r["status"] == s] for s in ("killed", "survived", "timeout")}
    noticed = len(by["killed"]) + len(by["timeout"])
    rate = 100.0 * noticed / total if total else 0.0
    unreached = [r for r in by["survived"] if r.get("unreached")]
    summary = {"commit": commit, "date": datetime.date.today().isoformat(), "seed": seed, "asked": count,
               "mutants": total, "killed": len(by["killed"]), "survived": len(by["survived"]),
               "survived_unreached": len(unreached), "timed_out": len(by["timeout"]), "did_not_compile": invalid,
               "kill_rate": round(rate, 1), "seconds": round(elapsed), "workers": jobs}
    with open(os.path.join(out, "report.json"), "w") as f:
        json.dump({"summary": summary, "mutants": results}, f, indent=1)
    files = sorted({r["file"] for r in results})
    lines = ["# Mutation run", "",
             f"Commit {summary['commit']}, seed {seed}, {total} mutants ({count} asked), "
             f"{jobs} workers, {summary['seconds']} s.", "",
             "| mutants | killed | survived | of them reached by no test | timed out | did not compile | kill rate |",
             "|---:|---:|---:|---:|---:|---:|---:|",
             f"| {total} | {len(by['killed'])} | {len(by['survived'])} | {len(unreached)} | {len(by['timeout'])} "
             f"| {invalid} | {rate:.1f} % |", "",
             "The kill rate counts a timed-out mutant as noticed. A mutant that did not compile is replaced by "
             "the next one of its file and not counted.", "",
             "## Per file", "", "| file | mutants | killed | survived | timed out |", "|---|---:|---:|---:|---:|"]
    for path in files:
        rows = [r for r in results if r["file"] == path]
        lines.append(f"| {path} | {len(rows)} | {sum(r['status'] == 'killed' for r in rows)} "
                     f"| {sum(r['status'] == 'survived' for r in rows)} | {sum(r['status'] == 'timeout' for r in rows)} |")
    kinds = sorted({r["kind"] for r in results})
    lines += ["", "## Per kind", "", "| kind | mutants | killed | survived |", "|---|---:|---:|---:|"]
    for kind in kinds:
        rows = [r for r in results if r["kind"] == kind]
        lines.append(f"| {kind} | {len(rows)} | {sum(r['status'] != 'survived' for r in rows)} "
                     f"| {sum(r['status'] == 'survived' for r in rows)} |")
    lines += ["", "## Survived", ""]
    for r in sorted(by["survived"], key=lambda r: (r["file"], r["line"])):
        reach = "reached by no test" if r.get("unreached") else "ran " + ", ".join(r["tests"])
        lines += [f"- `{r['file']}:{r['line']}` ({r['kind']}; {reach})",
                  f"  - was: `{r['original']}`", f"  - now: `{r['mutated']}`"]
    lines += ["", "## Timed out", ""]
    for r in sorted(by["timeout"], key=lambda r: (r["file"], r["line"])):
        lines += [f"- `{r['file']}:{r['line']}` ({r['kind']}; {r['by']})", f"  - now: `{r['mutated']}`"]
    with open(os.path.join(out, "report.md"), "w") as f:
        f.write("\n".join(lines) + "\n")
    return summary


def earlier_mutants(report, wanted):
    """The mutants of an earlier report that it noticed and that wanted(row)
    accepts, chosen again from the sources with that report's count and seed."""
    with open(report) as f:
        earlier = json.load(f)
    key = lambda r: (r["file"], r["line"], r["kind"], r["original"], r["mutated"])
    keys = {key(r) for r in earlier["mutants"] if r["status"] != "survived" and wanted(r)}
    texts = [(p, open(os.path.join(ROOT, p)).read()) for p in mutated_files()]
    chosen = []
    for _, order, _ in mutants.choose(texts, earlier["summary"]["asked"], earlier["summary"]["seed"]):
        chosen += [m for m in order if (m.file, m.line, m.kind, m.original_text, m.mutated_text) in keys]
    return chosen


def recheck(args, out):
    """Runs again, in a tree of its own, the mutants that the given test
    executables killed in an earlier report, against those executables
    alone: which of them now survive. For a suite being rewritten."""
    executables = set(args.only.split(","))
    chosen = earlier_mutants(args.recheck, lambda r: r.get("by") in executables)
    log(f"{len(chosen)} mutants killed by {', '.join(sorted(executables))} in {args.recheck}")
    worker = Worker(0, out)
    worker.setup(sorted(executables))
    tests = [t for t in gtest_executables(worker.build) if t["name"] in executables]
    worker.arm(tests, timed(tests))
    survivors = []
    for path in sorted({m.file for m in chosen}):
        ms = [m for m in chosen if m.file == path]
        _, rows, _ = worker.run_file(path, ms, len(ms))
        survivors += [r for r in rows if r["status"] == "survived"]
    for r in survivors:
        print(f"survives: {r['file']}:{r['line']} ({r['kind']})\n  was: {r['original']}\n  now: {r['mutated']}")
    log(f"{len(chosen) - len(survivors)} of {len(chosen)} still killed")
    return 1 if survivors else 0


def failing_cases(test, timeout, report):
    """Every GoogleTest case of one executable that fails, run to its end:
    "Suite.Case" names, or the executable's own name with why when it timed
    out or ended before writing its results."""
    if os.path.exists(report):
        os.remove(report)
    command = test["command"] + ["--gtest_brief=1", f"--gtest_output=json:{report}"]
    if run_alone(command, test["cwd"], timeout) is None:
        return [f"{test['name']} (timed out)"]
    try:
        with open(report) as f:
            results = json.load(f)
    except (OSError, ValueError):
        return [f"{test['name']} (ended without results)"]
    return [f"{suite['name']}.{case['name']}" for suite in results.get("testsuites", [])
            for case in suite.get("testsuite", []) if case.get("failures")]


def matrix(args, out):
    """Which test cases notice which mutant: every mutant noticed in an
    earlier report, run against every native executable to its end. A case
    that notices no mutant alone can go without losing a kill."""
    chosen = earlier_mutants(args.matrix, lambda r: True)
    log(f"{len(chosen)} mutants noticed in {args.matrix}, each run against every executable")
    workers = [Worker(i, out) for i in range(args.jobs)]
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        for s in [pool.submit(w.setup) for w in workers]:
            s.result()
    timing = timed(gtest_executables(workers[0].build))
    queue = list(chosen)
    lock = threading.Lock()
    rows = []

    def work(index, w):
        tests = gtest_executables(w.build)
        report = os.path.join(out, f"worker{index}", "cases.json")
        while True:
            with lock:
                if not queue:
                    return
                m = queue.pop(0)
            path = os.path.join(w.source, m.file)
            with open(path) as f:
                original = f.read()
            with open(path, "w") as f:
                f.write(m.apply(original))
            try:
                built = run(["ninja", "-C", w.build] + [t["target"] for t in tests]).returncode == 0
                cases = []
                for t in tests if built else []:
                    cases += failing_cases(t, 3 * timing[t["name"]] + 5, report)
            finally:
                with open(path, "w") as f:
                    f.write(original)
            with lock:
                rows.append(dict(mutant_fields(m), cases=cases, built=built))
                if len(rows) % 25 == 0:
                    log(f"{len(rows)} of {len(chosen)} mutants")

    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        for f in [pool.submit(work, i, w) for i, w in enumerate(workers)]:
            f.result()
    with open(os.path.join(out, "matrix.json"), "w") as f:
        json.dump(rows, f, indent=1)
    every = sorted({c for t in gtest_executables(workers[0].build) for c in listed_cases(t)})
    notices = {c: [r for r in rows if c in r["cases"]] for c in every}
    alone = {c: sum(len(r["cases"]) == 1 for r in notices[c]) for c in every}
    lines = ["# Which case notices which mutant", "",
             f"{len(rows)} mutants noticed in {args.matrix}, each run against every native executable to its end.",
             "", f"Noticed by no case now: {sum(not r['cases'] for r in rows)}.", "",
             "| case | mutants it notices | of them no other case notices |", "|---|---:|---:|"]
    for c in sorted(every, key=lambda c: (alone[c], c)):
        lines.append(f"| {c} | {len(notices[c])} | {alone[c]} |")
    with open(os.path.join(out, "matrix.md"), "w") as f:
        f.write("\n".join(lines) + "\n")
    log(f"matrix: {os.path.join(out, 'matrix.md')}")
    return 0


def listed_cases(test):
    """The "Suite.Case" names an executable holds."""
    r = run(test["command"] + ["--gtest_list_tests"], cwd=test["cwd"])
    cases, suite = [], ""
    for line in r.stdout.splitlines():
        if not line.strip() or line.startswith("Running main"):
            continue
        if not line.startswith(" "):
            suite = line.split("#")[0].strip()
        else:
            cases.append(suite + line.split("#")[0].strip())
    return cases


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("--recheck", help="an earlier report.json: run again what --only killed in it")
    parser.add_argument("--only", help="comma-separated test executables, with --recheck")
    parser.add_argument("--matrix", help="an earlier report.json: which test case notices which of its mutants")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--count", type=int, default=440)
    args = parser.parse_args()
    out = os.path.abspath(args.out)
    os.makedirs(out, exist_ok=True)
    if args.recheck:
        sys.exit(recheck(args, out))
    if args.matrix:
        sys.exit(matrix(args, out))
    started = time.monotonic()
    # The sources are copied below: the report names the commit they came from.
    commit = git_commit()

    files = mutated_files()
    texts = [(p, open(os.path.join(ROOT, p)).read()) for p in files]
    plan = mutants.choose(texts, args.count, args.seed)
    log(f"{sum(s for _, _, s in plan)} mutants over {len(plan)} files, seed {args.seed}")

    log("building the coverage tree and the workers' trees")
    coverage_source = os.path.join(out, "coverage", "src")
    coverage_build = os.path.join(out, "coverage", "build")
    copy_sources(coverage_source)
    workers = [Worker(i, out) for i in range(args.jobs)]
    # The coverage tree first, with every core; the workers' trees after it.
    configure_and_build(coverage_source, coverage_build,
                        ["-DCMAKE_CXX_FLAGS=--coverage -O0", "-DCMAKE_C_FLAGS=--coverage -O0",
                         "-DCMAKE_EXE_LINKER_FLAGS=--coverage", "-DCMAKE_SHARED_LINKER_FLAGS=--coverage",
                         "-DCMAKE_BUILD_TYPE=None"])
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        setups = [pool.submit(w.setup) for w in workers]
        cov_tests = gtest_executables(coverage_build)
        reached_by_name, executable = line_coverage(coverage_build, cov_tests, files)
        for s in setups:
            s.result()
    tests = gtest_executables(workers[0].build)
    timing = timed(tests)
    log(f"trees built and coverage taken in {time.monotonic() - started:.0f} s")
    log("unchanged code: " + ", ".join(f"{n} {s:.2f} s" for n, s in sorted(timing.items())))
    for w in workers:
        own = [dict(t, command=[t["command"][0].replace(workers[0].build, w.build)] + t["command"][1:],
                    cwd=t["cwd"].replace(workers[0].build, w.build)) for t in tests]
        w.arm(own, timing, reached_by_name, executable)

    # Largest files first, so that the workers finish together.
    queue = sorted(plan, key=lambda p: -p[2])
    lock = threading.Lock()
    results, invalid, done = [], 0, [0]

    def work(w):
        nonlocal invalid
        while True:
            with lock:
                if not queue:
                    return
                path, order, share = queue.pop(0)
            _, rows, bad = w.run_file(path, order, share)
            with lock:
                results.extend(rows)
                invalid += bad
                done[0] += 1
                killed = sum(r["status"] != "survived" for r in rows)
                log(f"[{done[0]}/{len(plan)}] {path}: {killed} of {len(rows)} noticed")

    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        for f in [pool.submit(work, w) for w in workers]:
            f.result()
    summary = write_report(out, results, invalid, args.seed, args.count, time.monotonic() - started, args.jobs, commit)
    log(f"{summary['mutants']} mutants: {summary['killed']} killed, {summary['survived']} survived "
        f"({summary['survived_unreached']} reached by no test), {summary['timed_out']} timed out; "
        f"kill rate {summary['kill_rate']} %; {summary['seconds']} s")
    log(f"report: {os.path.join(out, 'report.md')}")


if __name__ == "__main__":
    main()
