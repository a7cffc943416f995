"""The built program as a user meets it: splash, main window, menus, Destroy List, Quit and the close box."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import check, read, run_inside_session, run_walks, wait_for, window_of  # noqa: E402

SEEDED = b"http://127.0.0.1/one\r\nhttp://127.0.0.1/two\r\nhttp://127.0.0.1/three\r\n"


def seed(s):
    os.makedirs(os.path.dirname(s.list_file()), exist_ok=True)
    with open(s.list_file(), "wb") as f:
        f.write(SEEDED)


def main_window(s):
    frame = s.find("frame", "Quokka", timeout=30, showing=True)
    for label in ("File", "List", "Browser", "?"):
        s.find("menu item", label, root=frame)
    return frame


def run_close_box_after_destroy(s, problems):
    seed(s)
    s.start()
    frame = main_window(s)
    s.shot("main-window")
    for item in ("New Quokka", "Quit", "New List", "Edit List", "Destroy List", "Big", "Info",
                 "Toggle Cheatmode"):
        s.find("menu item", item, root=frame)
    problems += s.unnamed_controls(frame)

    # Cancel keeps every entry.
    s.menu("List", "Destroy List")
    s.shot("destroy-question")
    s.answer_alert("Cancel", "Would you like to Kill all the entries?")
    s.gone("alert", None)
    check(read(s.list_file()) == SEEDED, "Cancel on Destroy List changed the list file")

    # OK empties the list and the list browser shows no entry.
    s.menu("List", "Destroy List")
    s.answer_alert("OK", "Would you like to Kill all the entries?")
    lst = s.find("list", "Address list", timeout=10, showing=True)
    wait_for("an empty list box after Destroy List",
             lambda: [n.name for n in s.find_all("list item", root=lst) if n.name] == [], timeout=10)
    s.shot("after-destroy")
    browser = window_of(lst)
    buttons = {n.name for n in s.find_all("push button", root=browser)}
    missing = {w for w in ("Next", "Prev", "KILL", "Add", "Back", "Forward")
               if not any(b.lower().startswith(w.lower()) for b in buttons)}
    check(not missing, f"the list browser lacks buttons {missing}; it has {buttons}")
    problems += s.unnamed_controls(browser)

    s.close_box("Quokka")
    rc = s.wait_exit()
    check(rc == 0, f"the program ended with {rc} after the close box")
    data = read(s.list_file()) if os.path.exists(s.list_file()) else b""
    # The emptied list is written back as nothing or as one empty line; no address survives.
    check(data in (b"", b"\r\n"), f"the list file holds {data!r} after Destroy List and close")


def run_quit_keeps_file(s, problems):
    seed(s)
    s.start()
    main_window(s)
    s.menu("List", "Destroy List")
    s.answer_alert("Cancel")

    # The windows that only show the list, and the About dialog, are readable by a screen reader too.
    s.press("Show List")
    stored = s.find("list", "Stored address list", showing=True)
    wait_for("the stored list in List View", lambda: [n.name for n in s.find_all("list item", root=stored)]
             == SEEDED.decode().split("\r\n")[:-1])
    problems += s.unnamed_controls(window_of(stored))
    s.menu("List", "Edit List")
    editor = s.find("text", "The list, one address per line", showing=True)
    wait_for("the list in Edit List", lambda: [line for line in editor.queryText().getText(0, -1).splitlines() if line]
             == SEEDED.decode().split("\r\n")[:-1])
    problems += s.unnamed_controls(window_of(editor))
    s.shot("edit-list")
    s.menu("?", "Info")
    about = window_of(s.find("push button", "Systeminfo", showing=True))
    problems += s.unnamed_controls(about)
    s.shot("about")
    s.menu("File", "Quit")
    rc = s.wait_exit()
    check(rc == 0, f"the program ended with {rc} after Quit")
    check(read(s.list_file()) == SEEDED, "Quit changed the list file")


def main(program):
    return run_walks(program, (run_close_box_after_destroy, run_quit_keeps_file))


if __name__ == "__main__":
    run_inside_session(main)
