"""The built program as a user meets it: main window, menus, toolbar, List View, Edit List, the browser
window, About, Destroy List, Quit and the close box, with the real mouse.  The close box's repeated runs
are in test_close_box.py."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import Failure, check, read, run_inside_session, run_walks, wait_for, window_of  # noqa: E402

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
    s.check_title("Quokka")
    s.shot("main-window")
    for item in ("New Quokka", "Quit", "New List", "Edit List", "Destroy List", "Big", "Info",
                 "Toggle Cheatmode"):
        s.find("menu item", item, root=frame)
    problems += s.unnamed_controls(frame)

    # Cancel keeps every entry.
    s.menu("List", "Destroy List")
    s.check_title("Kill all")
    s.shot("destroy-question")
    s.answer_alert("Cancel", "Would you like to Kill all the entries?")
    s.gone("alert", None)
    check(read(s.list_file()) == SEEDED, "Cancel on Destroy List changed the list file")

    # OK on the red button's question empties the list and the list browser shows no entry.
    s.click(s.button(frame, "Oh my god! the red button!"))
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


def run_toolbar_and_quit(s, problems):
    seed(s)
    s.start()
    frame = main_window(s)
    entries = SEEDED.decode().split("\r\n")[:-1]

    # Show List, then a double click on an entry shows it in the list browser.
    s.click(s.button(frame, "Show List"))
    stored = s.find("list", "Stored address list", showing=True)
    wait_for("the stored list in List View", lambda: [n.name for n in s.find_all("list item", root=stored)] == entries)
    problems += s.unnamed_controls(window_of(stored))
    s.click(s.find("list item", entries[1], root=stored), double=True)
    lst = s.find("list", "Address list", showing=True)
    s.gone("list", "Stored address list")

    # Edit List from the toolbar; its Edit button, clicked without a change, leaves the file as it was.
    s.click(s.button(frame, "Edit List"))
    editor = s.find("text", "The list, one address per line", showing=True)
    wait_for("the list in Edit List", lambda: [line for line in editor.queryText().getText(0, -1).splitlines() if line]
             == entries)
    problems += s.unnamed_controls(window_of(editor))
    s.shot("edit-list")
    s.click(editor)
    s.click(s.button(window_of(editor), "Edit", "Save the list"))
    s.check_title("Edit")
    s.answer_alert("OK", " List updated!")
    s.gone("alert", None)
    check(read(s.list_file()) == SEEDED, f"Edit without a change wrote {read(s.list_file())!r}")

    # The Quokka button shows the start page in the list browser; Enlarge quokka shows it in the browser window.
    s.click(s.button(frame, "Quokka"))
    s.click(s.button(frame, "Enlarge quokka"))
    # An editable combo box is read by its text; the line edit inside holds the box's name.
    big = window_of(s.find("text", "Address", showing=True))
    wait_for("the start page in the browser window", lambda: big.name == "Quokka start", timeout=30)
    s.check_title("Quokka start")
    s.shot("enlarged")
    s.close_box(big.name)
    s.gone("text", "Address")

    # The About dialog: Systeminfo answers (a program or a message), OK closes the dialog.
    s.menu("?", "Info")
    about = window_of(s.button(None, "Systeminfo"))
    problems += s.unnamed_controls(about)
    s.shot("about")
    s.click(s.button(about, "Systeminfo"))
    try:
        s.answer_alert("OK", timeout=3)
    except Failure:
        pass  # a system information program started instead
    s.click(s.button(about, "OK"))
    wait_for("the About dialog to close", lambda: not [n for n in s.find_all("push button", showing=True)
                                                       if "Systeminfo" in n.name])
    s.menu("File", "Quit")
    rc = s.wait_exit()
    check(rc == 0, f"the program ended with {rc} after Quit")
    check(read(s.list_file()) == SEEDED, "Quit changed the list file")


def main(program):
    return run_walks(program, (run_close_box_after_destroy, run_toolbar_and_quit))


if __name__ == "__main__":
    # About 30 s on a quiet machine; the budget only guards against a hang. The close box's many runs
    # are in test_close_box.py.
    run_inside_session(main, budget=600)
