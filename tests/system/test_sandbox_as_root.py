"""Started as root without the sandbox turned off (a container, sudo quokka), the program says why it cannot
show web pages, and what to do, before the web engine starts; it ends when the message is answered.

The web engine's sandbox does not start for the superuser, and the engine then ends the whole program
without a word as the first page view is made.  This walk starts the real program as root with
QTWEBENGINE_DISABLE_SANDBOX taken out of its environment (the test environment sets it), finds the message
as a screen reader does, answers it with the real mouse, and sees the program end.  Skipped when not root.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import SKIP, check, run_inside_session, run_walks  # noqa: E402

TITLE = "Quokka cannot show web pages"


def walk(s, problems):
    # The driver hands the program this process's environment: take the variable out for this start only.
    kept = os.environ.pop("QTWEBENGINE_DISABLE_SANDBOX", None)
    try:
        s.start()
    finally:
        if kept is not None:
            os.environ["QTWEBENGINE_DISABLE_SANDBOX"] = kept
    alert = s.find("alert", None, timeout=60, showing=True)
    labels = [n.name for n in s.find_all("label", root=alert)]
    said = " ".join(labels + [alert.name or ""])
    for part in ("superuser (root)", "ordinary user", "QTWEBENGINE_DISABLE_SANDBOX=1", "own risk"):
        check(part in said, f"the message does not say {part!r}: {said!r}")
    check(not any(w.name == "Quokka" and w.getRoleName() == "frame" for w in s.windows()),
          "the main window came up behind the message")
    s.shot("sandbox-as-root")
    s.click(s.find("push button", "OK", root=alert, showing=True))
    rc = s.wait_exit(timeout=30)
    check(rc == 1, f"the program ended with {rc} after the message, not 1")
    log = open(os.path.join(s.root, "program.log"), errors="replace").read()
    # The engine never started: nothing of it in the log.
    check("--no-sandbox" not in log, f"the web engine started all the same: {log[-800:]!r}")


def main(program):
    return run_walks(program, (walk,))


if __name__ == "__main__":
    if os.geteuid() != 0:
        print("SKIP: this walk starts the program as root; run it as root (a container, sudo)")
        sys.exit(SKIP)
    run_inside_session(main, budget=300)
