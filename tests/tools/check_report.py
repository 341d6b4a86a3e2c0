"""What the tools' scenario scripts share: checks that record a failure and go
on, so that one run shows every fault, and the ending that reports them."""

failures = []


def check(condition, what):
    """Records and prints `what` at once when `condition` is false; returns it."""
    if not condition:
        failures.append(what)
        print("FAILED: " + what, flush=True)
    return condition


def report(passed_line):
    """The script's exit code: 1 after printing how many checks failed, else 0."""
    if failures:
        print(f"{len(failures)} check(s) failed")
        return 1
    print(passed_line)
    return 0
