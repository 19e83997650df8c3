#!/usr/bin/env python3
"""The summary of make test counts what ran: each row is one test program as
ctest reported it and the gtest XML it left (or none), with the counts that
program must add to "passed failed skipped"."""
import os
import subprocess
import sys
import tempfile
import unittest

COUNTER = os.path.join(os.path.dirname(__file__), "..", "..", "tools", "count-results.py")


def gtest_xml(*cases):
    body = "".join('<testcase name="c%d" classname="S"%s' % (i, {
        "ok": "/>", "fail": '><failure message="x"/></testcase>',
        "skip": '><skipped message="needs a printer"/></testcase>'}[c]) for i, c in enumerate(cases))
    return '<testsuites tests="%d">%s</testsuites>' % (len(cases), body)


ROWS = [
    # ctest status, ctest's skip message, gtest XML or None, expected counts
    ("run", None, gtest_xml("ok", "ok", "ok"), (3, 0, 0)),
    ("run", None, None, (1, 0, 0)),  # a check without gtest cases
    ("run", None, gtest_xml("ok", "skip"), (1, 0, 1)),
    ("fail", None, gtest_xml("ok", "fail"), (1, 1, 0)),
    ("fail", None, gtest_xml("ok", "ok"), (2, 1, 0)),  # failed after its cases (a leak)
    ("fail", None, None, (0, 1, 0)),  # crashed before writing its cases
    ("fail", None, "<testsuites><testcase", (0, 1, 0)),  # cut off while writing them
    ("notrun", "Unable to find executable: /b/x.exe", None, (0, 1, 0)),
    ("notrun", "Fixture dependency failed", None, (0, 1, 0)),
    ("notrun", "SKIP_REGULAR_EXPRESSION_MATCHED", None, (0, 0, 1)),
]


def run_counter(junit_text, results):
    junit = os.path.join(results, "ctest-junit.xml")
    if junit_text is not None:
        with open(junit, "w") as f:
            f.write(junit_text)
    out = subprocess.run([sys.executable, COUNTER, junit, results], check=True,
                         capture_output=True, text=True).stdout
    return tuple(int(n) for n in out.splitlines()[0].split())


class CountResultsTest(unittest.TestCase):
    def test_each_program_adds_what_it_did(self):
        for status, message, xml, expected in ROWS:
            with self.subTest(status=status, message=message, xml=xml), tempfile.TemporaryDirectory() as d:
                skipped = '<skipped message="%s"/>' % message if message else ""
                junit = ('<testsuite><testcase name="wine.prog" status="%s">%s</testcase></testsuite>'
                         % (status, skipped))
                if xml is not None:
                    with open(os.path.join(d, "prog.xml"), "w") as f:
                        f.write(xml)
                self.assertEqual(run_counter(junit, d), expected)

    def test_all_programs_add_up(self):
        with tempfile.TemporaryDirectory() as d:
            junit = "<testsuite>"
            for i, (status, message, xml, _) in enumerate(ROWS):
                skipped = '<skipped message="%s"/>' % message if message else ""
                junit += '<testcase name="native.p%d" status="%s">%s</testcase>' % (i, status, skipped)
                if xml is not None:
                    with open(os.path.join(d, "p%d.xml" % i), "w") as f:
                        f.write(xml)
            expected = tuple(sum(row[3][k] for row in ROWS) for k in range(3))
            self.assertEqual(run_counter(junit + "</testsuite>", d), expected)

    def test_a_missing_report_is_a_failure(self):
        with tempfile.TemporaryDirectory() as d:
            self.assertEqual(run_counter(None, d), (0, 1, 0))


if __name__ == "__main__":
    unittest.main()
