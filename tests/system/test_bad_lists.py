"""The built program, with the real web engine, on list files that other programs wrote.

For each file: the list browser opens (the toolbar's "Quokka" button) and shows the entries, "Next"
hands the odd entries to the web engine, the program still answers, and the main window's close box
writes the list back byte for byte (lone CRs end lines, so they come back as CR LF).
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import check, read, run_inside_session, run_walks, wait_for, window_of  # noqa: E402

ODD = b"a\x00b\r\n\xff\xfe not UTF-8 \xc3\r\nhttp://127.0.0.1:9/\x00nul\r\none\rtwo\r\n\r\nlast"
ODD_WRITTEN = b"a\x00b\r\n\xff\xfe not UTF-8 \xc3\r\nhttp://127.0.0.1:9/\x00nul\r\none\r\ntwo\r\n\r\nlast\r\n"
HUGE = b"http://127.0.0.1:9/" + b"x" * (10 * 1024 * 1024) + b"\r\nnext\r\n"
MANY = b"".join(b"http://127.0.0.1:9/%d\r\n" % i for i in range(1000000))


def walk_for(content, written, entries, nexts):
    def walk(s, problems):
        os.makedirs(os.path.dirname(s.list_file()), exist_ok=True)
        with open(s.list_file(), "wb") as f:
            f.write(content)
        s.start()
        frame = s.find("frame", "Quokka", timeout=30, showing=True)
        s.click(s.button(frame, "Quokka"))
        lst = s.find("list", "Address list", timeout=60, showing=True)
        browser = window_of(lst)
        wait_for(f"{entries} entries in the list browser", lambda: lst.childCount >= entries, timeout=60)
        for step in range(nexts):
            s.click(s.button(browser, "Next"))
            # The program answers: the selection follows every step.
            wait_for(f"entry {step + 1} selected after Next",
                     lambda: lst.getChildAtIndex(step).getState().contains(s.pyatspi.STATE_SELECTED), timeout=60)
        time.sleep(1)
        s.shot(f"bad-list-{len(content)}")
        check(s.app_proc.poll() is None, "the program ended while stepping through the list")
        s.close_box("Quokka")
        rc = s.wait_exit(timeout=60)
        check(rc == 0, f"the program ended with {rc} after the close box")
        got = read(s.list_file())
        check(got == written, f"the list came back as {len(got)} bytes {got[:80]!r}..., not as written")
    walk.__name__ = f"list_of_{len(content)}_bytes"
    return walk


def main(program):
    return run_walks(program, (walk_for(ODD, ODD_WRITTEN, 7, 7),
                               walk_for(HUGE, HUGE, 2, 2),
                               walk_for(MANY, MANY, 1000000, 3)))


if __name__ == "__main__":
    # A minute or two on a quiet machine (a million entries); the budget only guards against a hang.
    run_inside_session(main, budget=1200)
