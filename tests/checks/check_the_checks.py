#!/usr/bin/env python3
"""The check of the checks: every test and benchmark that runs `vantor` must fail
when `vantor` is broken. Two stand-ins take its place in turn, one that exits 1 at
once and one that exits 0 doing nothing:

- every registered CTest test whose command names the built `vantor` (the
  corruption sweeps, the safety script, the README walk-through, the large
  volume) runs with the stand-in in its place, the sweeps with 2 variants;
- the integration tests run with VANTOR_BIN pointing at the stand-in; the
  stand-in logs the name of each test that starts it, and each of those tests
  must fail;
- the cold-start benchmark runs with VANTOR pointing at the stand-in.

A run that ends with the test's skip code is listed as skipped (its fixture or
tool is missing here) and counts neither way.

    check_the_checks.py BUILD_DIR SOURCE_DIR
"""
import json
import os
import subprocess
import sys
import tempfile

STAND_INS = {"exits 1": 1, "exits 0 doing nothing": 0}
SWEEP_VARIANTS = "2"
LIMIT_SECONDS = 600


def write_stand_in(folder, name, code):
    path = os.path.join(folder, name)
    with open(path, "w") as script:
        script.write("#!/bin/sh\n"
                     '[ -n "$VANTOR_STANDIN_CALLS" ] && echo "${VANTOR_CURRENT_TEST:-?}" >>"$VANTOR_STANDIN_CALLS"\n'
                     f"exit {code}\n")
    os.chmod(path, 0o755)
    return path


def registered_tests(build):
    shown = subprocess.run(["ctest", "--show-only=json-v1"], cwd=build, capture_output=True, text=True, check=True)
    return json.loads(shown.stdout)["tests"]


def properties(test):
    return {p["name"]: p["value"] for p in test.get("properties", [])}


def run(command, env_extra, cwd, skip_code=None):
    """'failed', 'passed', 'skipped' or 'failed (timed out)'."""
    env = dict(os.environ, **env_extra)
    try:
        done = subprocess.run(command, cwd=cwd, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=LIMIT_SECONDS)
    except subprocess.TimeoutExpired:
        return "failed (timed out)"
    if skip_code is not None and done.returncode == skip_code:
        return "skipped"
    return "passed" if done.returncode == 0 else "failed"


def cli_tests(tests, vantor):
    """The CTest tests whose command runs the built vantor, with the index of its argument."""
    for test in tests:
        command = test.get("command", [])
        if test["name"].startswith("checks.") or vantor not in command:
            continue
        yield test, command


def with_stand_in(command, vantor, stand_in):
    replaced = [stand_in if arg == vantor else arg for arg in command]
    if "--variants" in replaced:
        replaced[replaced.index("--variants") + 1] = SWEEP_VARIANTS
    return replaced


def check_ctest_tests(tests, vantor, stand_in, report):
    for test, command in cli_tests(tests, vantor):
        props = properties(test)
        env = dict(item.split("=", 1) for item in props.get("ENVIRONMENT", []))
        skip = props.get("SKIP_RETURN_CODE")
        outcome = run(with_stand_in(command, vantor, stand_in), env, props.get("WORKING_DIRECTORY"),
                      int(skip) if skip is not None else None)
        report(test["name"], outcome)


def check_integration_tests(tests, stand_in, report, work):
    binaries = {t["command"][0] for t in tests if t.get("command") and t["command"][0].endswith("vantor_integration_tests")}
    if not binaries:
        report("integration tests", "passed (none registered)")
        return
    calls, results = os.path.join(work, "calls.log"), os.path.join(work, "results.json")
    for path in (calls, results):
        if os.path.exists(path):
            os.remove(path)
    env = {"VANTOR_BIN": stand_in, "VANTOR_STANDIN_CALLS": calls}
    run([binaries.pop(), f"--gtest_output=json:{results}"], env, work)
    called = set(open(calls).read().split()) if os.path.exists(calls) else set()
    failed = set()
    if os.path.exists(results):
        for suite in json.load(open(results)).get("testsuites", []):
            for case in suite.get("testsuite", []):
                if case.get("failures"):
                    failed.add(f"{suite['name']}.{case['name']}")
    if not called:
        report("integration tests: none ran the command line", "passed")
    for name in sorted(called):
        report(f"integration {name}", "failed" if name in failed else "passed")


def check_benchmark(source, stand_in, report):
    outcome = run(["bash", os.path.join(source, "bench", "cold-start.sh")], {"VANTOR": stand_in, "RUNS": "1"}, source)
    report("bench/cold-start.sh", outcome)


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    build, source = (os.path.abspath(a) for a in sys.argv[1:])
    vantor = os.path.join(build, "vantor")
    tests = registered_tests(build)
    counts = {"passed": 0, "failed": 0, "skipped": 0}
    with tempfile.TemporaryDirectory(prefix="vantor-checks-") as work:
        for label, code in STAND_INS.items():
            stand_in = write_stand_in(work, f"vantor-{code}", code)

            def report(name, outcome, label=label):
                # A check passes here when the check under test failed.
                verdict = "skipped" if outcome == "skipped" else ("passed" if outcome.startswith("failed") else "failed")
                counts[verdict] += 1
                mark = {"passed": "ok  ", "failed": "FAIL", "skipped": "skip"}[verdict]
                print(f"{mark} vantor {label}: {name} {outcome}", flush=True)

            check_ctest_tests(tests, vantor, stand_in, report)
            check_integration_tests(tests, stand_in, report, work)
            check_benchmark(source, stand_in, report)
    print(f"{counts['passed']} passed, {counts['failed']} failed, {counts['skipped']} skipped")
    return 0 if counts["failed"] == 0 and counts["passed"] > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
