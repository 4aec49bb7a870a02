#!/usr/bin/env python3
"""Counts single test cases over the builds: GoogleTest reports where a program wrote one,
otherwise the CTest entry itself. Prints one line per build and the closing total."""
import os
import sys
import xml.etree.ElementTree as ET


def gtest_counts(path):
    root = ET.parse(path).getroot()
    total = int(root.get("tests", 0))
    failed = int(root.get("failures", 0)) + int(root.get("errors", 0))
    skipped = int(root.get("disabled", 0)) + int(root.get("skipped", 0))
    return total - failed - skipped, failed


def main(builds):
    passed = failed = 0
    for build in builds:
        results = os.path.join(build, "results")
        ctest = os.path.join(results, "ctest.xml")
        if not os.path.exists(ctest):
            continue
        b_pass = b_fail = 0
        for case in ET.parse(ctest).getroot().iter("testcase"):
            name = case.get("name")
            status = case.get("status", "run")
            ok = case.find("failure") is None and case.find("error") is None and status != "fail"
            report = os.path.join(results, name + ".xml")
            if os.path.exists(report):
                try:
                    p, f = gtest_counts(report)
                except ET.ParseError:
                    p, f = 0, 1
                # A crash after the report was written must still count as a failure.
                if not ok and f == 0:
                    f = 1
            elif status == "notrun" and case.find("skipped") is not None:
                continue
            else:
                p, f = (1, 0) if ok else (0, 1)
            b_pass += p
            b_fail += f
        print(f"{os.path.relpath(build)}: {b_pass} passed, {b_fail} failed")
        passed += b_pass
        failed += b_fail
    print(f"{passed} passed, {failed} failed")
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
