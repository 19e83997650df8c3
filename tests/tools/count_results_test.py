#!/usr/bin/env python3
"""The counter behind make test's summary: each row is one test program as ctest reported it and the
gtest XML it left (or none), with the counts it must add to "passed failed skipped", alone and together."""
import os
import pathlib
import subprocess
import sys
import tempfile
import unittest

COUNTER = os.path.join(os.path.dirname(__file__), "..", "..", "tools", "count-results.py")
CASE = {"ok": "/>", "fail": '><failure message="x"/></testcase>', "skip": '><skipped message="x"/></testcase>'}


def xml(*cases):
    body = "".join('<testcase name="c%d" classname="S"%s' % (i, CASE[c]) for i, c in enumerate(cases))
    return '<testsuites tests="%d">%s</testsuites>' % (len(cases), body)


ROWS = [  # ctest status, ctest's skip message, gtest XML or None, expected counts
    ("run", None, xml("ok", "ok", "ok"), (3, 0, 0)),
    ("run", None, None, (1, 0, 0)),  # a check without gtest cases
    ("run", None, xml("ok", "skip"), (1, 0, 1)),
    ("fail", None, xml("ok", "fail"), (1, 1, 0)),
    ("fail", None, xml("ok", "ok"), (2, 1, 0)),  # failed after its cases (a leak)
    ("fail", None, None, (0, 1, 0)),  # crashed before writing its cases
    ("fail", None, "<testsuites><testcase", (0, 1, 0)),  # cut off while writing them
    ("notrun", "Unable to find executable: /b/x.exe", None, (0, 1, 0)),
    ("notrun", "Fixture dependency failed", None, (0, 1, 0)),
    ("notrun", "SKIP_REGULAR_EXPRESSION_MATCHED", None, (0, 0, 1)),
]


def count(rows, write_junit=True):
    """The counter's first line for these rows, each program named p<i>."""
    with tempfile.TemporaryDirectory() as d:
        cases = ""
        for i, (status, message, report, _) in enumerate(rows):
            skipped = '<skipped message="%s"/>' % message if message else ""
            cases += '<testcase name="wine.p%d" status="%s">%s</testcase>' % (i, status, skipped)
            if report is not None:
                pathlib.Path(d, "p%d.xml" % i).write_text(report)
        junit = os.path.join(d, "ctest-junit.xml")
        if write_junit:
            pathlib.Path(junit).write_text("<testsuite>%s</testsuite>" % cases)
        out = subprocess.run([sys.executable, COUNTER, junit, d], check=True, capture_output=True, text=True)
        return tuple(int(n) for n in out.stdout.splitlines()[0].split())


class CountResultsTest(unittest.TestCase):
    def test_each_program_adds_what_it_did_and_all_add_up(self):
        for row in ROWS:
            with self.subTest(row=row[:3]):
                self.assertEqual(count([row]), row[3])
        self.assertEqual(count(ROWS), tuple(sum(row[3][k] for row in ROWS) for k in range(3)))
        self.assertEqual(count([], write_junit=False), (0, 1, 0))  # no ctest report is a failure


if __name__ == "__main__":
    unittest.main()
