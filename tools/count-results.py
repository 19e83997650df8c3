#!/usr/bin/env python3
"""Counts what one build tree's test run did, from what ran.

ctest's JUnit report (--output-junit) says of every test program whether it
ran and passed, failed, or did not run at all; each program that ran leaves
its own gtest XML in the results directory, named after the program (the
ctest name without the tree's prefix), with its cases. A program counts by
its cases when it wrote them, else as one test; a program that failed
without a failing case (it crashed, leaked, or exited non-zero after its
cases) adds one failure; a program that could not start, or whose fixture
failed, counts as failed. Only a test that ctest skipped on purpose counts
as skipped.

Usage: count-results.py <ctest junit.xml> <results dir>
Prints "passed failed skipped" on the first line, then one line per skipped
or failed test naming it and why.
"""
import os
import sys
import xml.etree.ElementTree as ET


def gtest_counts(path):
    """(passed, failed, skipped, notes) of one gtest XML file, or None."""
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError):
        return None
    passed = failed = skipped = 0
    notes = []
    for case in root.iter("testcase"):
        name = "%s.%s" % (case.get("classname", "?"), case.get("name", "?"))
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
            notes.append("  failed %s" % name)
        elif case.find("skipped") is not None or case.get("result") == "skipped":
            skipped += 1
            reason = case.find("skipped")
            message = reason.get("message", "") if reason is not None else ""
            notes.append("  skipped %s: %s" % (name, " ".join(message.split())))
        else:
            passed += 1
    return passed, failed, skipped, notes


def main():
    junit, results = sys.argv[1], sys.argv[2]
    passed = failed = skipped = 0
    notes = []
    try:
        root = ET.parse(junit).getroot()
    except (OSError, ET.ParseError) as error:
        print("0 1 0")
        print("  failed: ctest wrote no readable report (%s)" % error)
        return
    for case in root.iter("testcase"):
        test = case.get("name", "?")
        status = case.get("status", "")
        program = test.split(".", 1)[1] if "." in test else test
        counts = gtest_counts(os.path.join(results, program + ".xml"))
        if status == "notrun":
            reason = case.find("skipped")
            message = reason.get("message", "") if reason is not None else ""
            if "SKIP_REGULAR_EXPRESSION_MATCHED" in message or "SKIP_RETURN_CODE" in message:
                skipped += 1
                notes.append("  skipped %s: %s" % (test, message))
            else:
                failed += 1
                notes.append("  failed %s: not run (%s)" % (test, message or "no reason given"))
            continue
        if counts is not None:
            p, f, s, n = counts
            passed, failed, skipped = passed + p, failed + f, skipped + s
            notes.extend(n)
            if status == "fail" and f == 0:
                failed += 1
                notes.append("  failed %s: the program failed after its cases" % test)
        elif status == "run":
            passed += 1
        else:
            failed += 1
            notes.append("  failed %s" % test)
    print("%d %d %d" % (passed, failed, skipped))
    for note in notes:
        print(note)


if __name__ == "__main__":
    main()
