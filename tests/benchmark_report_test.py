#!/usr/bin/env python3
"""The benchmark program's JSON report is what a tool reads: run one quick
benchmark with --benchmark_format=json and parse the whole standard output.

Usage: benchmark_report_test.py <path to dovrik_bench>
"""
import json
import subprocess
import sys

BENCHMARK = "BM_SynthesizeGroupDefaultRandom"


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    run = subprocess.run(
        [sys.argv[1], "--benchmark_filter=^%s$" % BENCHMARK, "--benchmark_format=json",
         "--benchmark_min_time=0.01"],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=120)
    if run.returncode != 0:
        sys.exit("dovrik_bench ended with status %d:\n%s" % (run.returncode, run.stderr))
    try:
        report = json.loads(run.stdout)
    except json.JSONDecodeError as error:
        sys.exit("standard output is not one JSON document (%s):\n%s" % (error, run.stdout))

    failures = []
    if "context" not in report:
        failures.append("the report has no context")
    names = [entry.get("name") for entry in report.get("benchmarks", [])]
    if names != [BENCHMARK]:
        failures.append("the filter selected %s, not [%s]" % (names, BENCHMARK))
    else:
        entry = report["benchmarks"][0]
        if "error_occurred" in entry:
            failures.append("the benchmark failed: %s" % entry.get("error_message"))
        # Synthesis is far faster than playing: audio seconds per second.
        ratio = entry.get("realtime_ratio", 0)
        if not ratio > 1:
            failures.append("realtime_ratio is %r, not a figure above 1" % ratio)
    if failures:
        sys.exit("\n".join(failures))
    print("%s: %.0f audio seconds per second; the report parses" %
          (BENCHMARK, report["benchmarks"][0]["realtime_ratio"]))


if __name__ == "__main__":
    main()
