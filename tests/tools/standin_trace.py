"""The stand-in's trace (the file HCNETSDK_STANDIN_TRACE names) as the tools'
scenario scripts read it: one line per SDK call, "call OPERATION ... RESULT ..."."""


def calls(trace):
    """The trace's calls, each as its words ([1] the operation, [3] its result);
    none while the file does not exist yet."""
    try:
        with open(trace, encoding="ascii") as f:
            return [line.split() for line in f if line.startswith("call ")]
    except FileNotFoundError:
        return []


def before_cleanup(found):
    """The calls before the library's unload, which stops subscriptions once more."""
    return found[:next((i for i, c in enumerate(found) if c[1] == "cleanup"), len(found))]


def unended(trace, at_least=1):
    """What a program began and did not end before the library's unload, one
    text per kind (subscriptions, logins); empty when it ended everything, and
    began each kind at least `at_least` times."""
    made = before_cleanup(calls(trace))
    problems = []
    for start, end in (("start-remote-config", "stop-remote-config"), ("login", "logout")):
        opened = sum(1 for c in made if c[1] == start and int(c[3]) >= 0)
        ended = sum(1 for c in made if c[1] == end and c[3] == "1")
        if opened < at_least or opened != ended:
            problems.append(f"{opened} {start} but {ended} {end} before the cleanup")
    return problems
