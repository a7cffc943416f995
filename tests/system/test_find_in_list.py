"""Finding one's way in a long list, with the real mouse and keyboard: the list browser's filter and
count, Next and KILL over the entries shown, Ctrl+Z, Esc, Remove Duplicates and Sort by Address from the
List menu, and the list browser opening again at the entry it showed, after the program was closed and
started again.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import check, read, run_inside_session, run_walks, text_of, wait_for, window_of  # noqa: E402

# Addresses nobody serves: the page loads fail quietly; the walk is about the list.
ENTRIES = ["http://127.0.0.1:9/home", "http://127.0.0.1:9/news/one", "http://127.0.0.1:9/about",
           "http://127.0.0.1:9/NEWS/two", "http://127.0.0.1:9/contact", "http://127.0.0.1:9/about#team"]


def shown(s, lst):
    return [n.name for n in s.find_all("list item", root=lst)]


def open_list_browser(s):
    main = s.find("frame", "Quokka", timeout=30, showing=True)
    s.click(s.button(main, "Quokka"))  # the toolbar's button: the list browser, at the start page
    lst = s.find("list", "Address list", timeout=20, showing=True)
    return lst, window_of(lst)


def find_and_tidy(s, problems):
    os.makedirs(os.path.dirname(s.list_file()), exist_ok=True)
    seeded = "".join(e + "\r\n" for e in ENTRIES).encode()
    with open(s.list_file(), "wb") as f:
        f.write(seeded)
    s.start()
    lst, browser = open_list_browser(s)
    problems += s.unnamed_controls(browser)
    wait_for("the list", lambda: shown(s, lst) == ENTRIES)
    s.find("label", "6 entries", root=browser)

    # Ctrl+F in the list, then typing: only the entries holding the text, in any case.
    s.click(s.find("list item", ENTRIES[0], root=lst))
    s.keys("ctrl+f")
    box = s.find("text", "Filter the list", root=browser)
    wait_for("the focus in the filter box", lambda: s.has_focus(box))
    s.type("news")
    wait_for("the filtered list", lambda: shown(s, lst) == [ENTRIES[1], ENTRIES[3]])
    s.find("label", "2 of 6", root=browser)
    s.shot("find-filtered")

    # Next walks the entries shown; KILL removes the one shown.
    chosen = s.find("text", "Chosen address", root=browser)
    s.click(s.button(browser, "Next"))
    wait_for("the first shown entry chosen", lambda: text_of(chosen) == ENTRIES[1])
    s.click(s.button(browser, "Next"))
    wait_for("the second shown entry chosen", lambda: text_of(chosen) == ENTRIES[3])
    s.click(s.button(browser, "KILL"))
    wait_for("the shown entry removed", lambda: shown(s, lst) == [ENTRIES[1]])
    s.find("label", "1 of 5", root=browser)

    # Ctrl+Z brings it back; Esc in the filter box shows every entry again.
    s.keys("ctrl+z")
    wait_for("KILL undone", lambda: shown(s, lst) == [ENTRIES[1], ENTRIES[3]])
    s.click(box)
    s.keys("Escape")
    wait_for("the filter cleared", lambda: shown(s, lst) == ENTRIES)
    s.find("label", "6 entries", root=browser)

    # Remove Duplicates asks with the count; the fragment aside, "about#team" is "about".
    s.menu("List", "Remove Duplicates")
    title = s.answer_alert("OK", "Remove the 1 repeated entry from the list of 6? 5 entries stay.\n\n"
                                 "Undo (Ctrl+Z) takes it back while the list browser is open.")
    check(title == "Remove Duplicates", f"the question's title is {title!r}")
    wait_for("the repeat removed", lambda: shown(s, lst) == ENTRIES[:5])
    # In a text box Ctrl+Z undoes its typing; from the list it undoes the list's change.
    s.click(s.find("list item", ENTRIES[0], root=lst))
    s.keys("ctrl+z")
    wait_for("Remove Duplicates undone", lambda: shown(s, lst) == ENTRIES)
    s.find("label", "6 entries", root=browser)
    s.shot("find-undone")

    # Sort by Address asks with the count and sorts case aside, alike addresses in their order; Ctrl+Z again.
    s.menu("List", "Sort by Address")
    s.answer_alert("OK", "Sort the 6 entries of the list by address?\n\n"
                         "Undo (Ctrl+Z) takes it back while the list browser is open.")
    wait_for("the list sorted", lambda: shown(s, lst) == [ENTRIES[i] for i in (2, 5, 4, 0, 1, 3)])
    s.click(s.find("list item", ENTRIES[0], root=lst))
    s.keys("ctrl+z")
    wait_for("the sort undone", lambda: shown(s, lst) == ENTRIES)

    # Show the fourth entry, close, start again: the list browser opens there.
    s.click(s.find("list item", ENTRIES[3], root=lst))
    wait_for("the fourth entry chosen", lambda: text_of(chosen) == ENTRIES[3])
    s.close_box("Quokka")
    rc = s.wait_exit()
    check(rc == 0, f"the program ended with {rc}")
    check(read(s.list_file()) == seeded, f"the list saved is {read(s.list_file())!r}")
    # The list changed meanwhile: an entry put before it.
    with open(s.list_file(), "wb") as f:
        f.write(("http://127.0.0.1:9/new\r\n").encode() + seeded)
    s.start()
    lst, browser = open_list_browser(s)
    chosen = s.find("text", "Chosen address", root=browser)
    wait_for("the entry shown last time chosen again", lambda: text_of(chosen) == ENTRIES[3])
    s.shot("find-place-again")
    s.close_box("Quokka")
    s.wait_exit()


def main(program):
    return run_walks(program, (find_and_tidy,))


if __name__ == "__main__":
    run_inside_session(main)
