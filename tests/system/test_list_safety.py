"""The user's list is never lost or changed without a word, with the real mouse: unsaved KILLs before Edit,
a list changed by another program before the close box writes it back, a list that cannot be read in
Edit List and Show List, and a second Quokka started on the same data folder."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import check, read, run_inside_session, run_walks, wait_for, window_of  # noqa: E402

SEEDED = b"http://127.0.0.1/one\r\nhttp://127.0.0.1/two\r\nhttp://127.0.0.1/three\r\n"
THEIRS = SEEDED + b"http://127.0.0.1/four\r\n"


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def timed(name, step):
    started = time.monotonic()
    result = step()
    print(f"{name}: {time.monotonic() - started:.1f} s")
    return result


def run_unsaved_and_changed_elsewhere(s, problems):
    write(s.list_file(), SEEDED)
    s.start()
    frame = s.find("frame", "Quokka", timeout=30, showing=True)
    s.click(s.button(frame, "Quokka"))
    lst = s.find("list", "Address list", timeout=30, showing=True)
    s.click(s.find("list item", "http://127.0.0.1/one", root=lst, showing=True))
    s.click(s.button(window_of(lst), "KILL"))
    wait_for("the KILLed entry to go", lambda: not s.find_all("list item", "http://127.0.0.1/one", root=lst))

    # Edit reloads the list browser from the file: it asks first, and Cancel changes nothing.
    s.menu("List", "Edit List")
    editor = window_of(s.find("text", "The list, one address per line", timeout=10, showing=True))
    problems += s.unnamed_controls(editor)
    s.click(s.button(editor, "Edit"))
    s.find("alert", None, timeout=15, showing=True)
    s.shot("unsaved-changes-question")
    check(s.answer_alert("Cancel") == "Unsaved changes", "no question about the unsaved KILL")
    s.gone("alert", None)
    check(read(s.list_file()) == SEEDED, "Cancel on the unsaved-changes question changed the list file")

    # Another program changes the list; the close box asks before writing over it, and OK keeps both.
    write(s.list_file(), THEIRS)
    s.close_box("Quokka")
    s.find("alert", None, timeout=15, showing=True)
    s.shot("changed-elsewhere-question")
    check(s.answer_alert("OK") == "List changed elsewhere", "no question about the list changed elsewhere")
    rc = timed("closing", s.wait_exit)
    check(rc == 0, f"the program ended with {rc} after the close box")
    check(read(s.list_file()) == b"http://127.0.0.1/two\r\nhttp://127.0.0.1/three\r\n",
          f"the close box wrote {read(s.list_file())!r}")
    folder = os.path.dirname(s.list_file())
    copies = [f for f in os.listdir(folder) if f.startswith("url.dat.other-version-")]
    check(len(copies) == 1 and read(os.path.join(folder, copies[0])) == THEIRS,
          f"the other version was not kept beside the list: {copies}")


def run_unreadable_list_and_second_start(s, problems):
    os.makedirs(os.path.join(s.list_file(), "inside"))
    s.start()
    frame = s.find("frame", "Quokka", timeout=30, showing=True)
    # Edit List: the list browser it hides first reports the list, then Edit List does; never New List.
    s.menu("List", "Edit List")
    check(s.answer_alert("OK") == "List not read", "the list browser did not report the unreadable list")
    s.find("alert", None, timeout=15, showing=True)
    s.shot("edit-list-not-read")
    check(s.answer_alert("OK") == "List not read", "Edit List did not report the unreadable list")
    s.gone("alert", None)
    check(not s.find_all("text", "New list, one address per line", showing=True),
          "Edit List on an unreadable list opened New List")

    # Show List reports it too, and shows the stored list as it is once it can be read.
    s.click(s.button(frame, "Show List"))
    check(s.answer_alert("OK") == "List not read", "Show List did not report the unreadable list")
    os.rmdir(os.path.join(s.list_file(), "inside"))
    os.rmdir(s.list_file())
    write(s.list_file(), SEEDED)
    s.click(s.button(frame, "Show List"))
    view = s.find("list", "Stored address list", timeout=10, showing=True)
    wait_for("the stored list in the List view",
             lambda: [n.name for n in s.find_all("list item", root=view)] == SEEDED.decode().split("\r\n")[:3])
    s.shot("show-list-fresh")

    # A second Quokka on the same data folder brings this one forward and ends at once.
    env = dict(os.environ, HOME=s.home, XDG_DATA_HOME=s.data, XDG_CACHE_HOME=os.path.join(s.home, ".cache"),
               QT_QPA_PLATFORM="xcb")
    second = subprocess.Popen([s.program], cwd=s.work, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)
    s.procs.append(second)
    rc = timed("the second start", lambda: second.wait(timeout=60))
    check(rc == 0, f"the second program ended with {rc}")
    check(s.app_proc.poll() is None, "the first program ended when the second started")
    s.find("frame", "Quokka", timeout=10, showing=True)

    s.menu("File", "Quit")
    check(s.wait_exit() == 0, "Quit did not end the program")
    check(read(s.list_file()) == SEEDED, "the list file changed")


def main(program):
    return run_walks(program, (run_unsaved_and_changed_elsewhere, run_unreadable_list_and_second_start))


if __name__ == "__main__":
    run_inside_session(main, budget=300)
