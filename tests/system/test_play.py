"""Playing the list in the built program, with the real mouse and keyboard and loopback pages.

One walk: the delay typed into its box, Play clicked; the list goes by in order, a blank entry is passed
over, a slow page keeps its whole delay after it finished loading, a page that never answers gives way
after the delay plus the page time-out, and the list stops at its end.  Play again from the last entry
starts from the top; Next pauses; Ctrl+P plays and pauses; with "Start again at the end" ticked, Enlarge
takes the walk into the browser window, F11 shows it full screen and Esc leaves.  The status text is read as a screen reader reads it.
The settings file keeps the delay.
"""
import http.server
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import LocalServer, check, read, run_inside_session, run_walks, text_of, wait_for, window_of  # noqa: E402

SLOW = 3.0      # seconds /slow takes to answer
DELAY = 2       # the delay typed in
TIMEOUT = 4     # the page time-out, from the settings file


class Pages(LocalServer):
    """Serves /<name> titled "Page <name>"; /slow answers late, /never not at all.  Remembers when
    each path was asked for."""

    def __init__(self):
        self.requests = []
        pages = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                name = self.path.strip("/")
                pages.requests.append((name, time.monotonic()))
                if name == "favicon.ico":
                    self.send_error(404)
                    return
                if name == "never":
                    # Far past the delay and the time-out, but not so long that the rounds' requests for it
                    # hold every connection the engine keeps for this host (six) while later pages wait.
                    time.sleep(3 * (DELAY + TIMEOUT))
                    return
                if name == "slow":
                    time.sleep(SLOW)
                data = f"<!doctype html><title>Page {name}</title><h1>Page {name}</h1>".encode()
                self.send_response(200)
                self.send_header("Content-Type", "text/html")
                self.send_header("Cache-Control", "no-store")
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                try:
                    self.wfile.write(data)
                except OSError:
                    pass

        self.start(Handler)

    def asked(self):
        return [n for n, _ in self.requests if n != "favicon.ico"]

    def when(self, name, nth=0):
        return [t for n, t in self.requests if n == name][nth]


def status(s, browser):
    """The play status, as a screen reader reads it (its description says what it is about)."""
    for n in s.find_all("label", root=browser):
        try:
            if n.description == "Playing the list":
                return n.name
        except Exception:
            pass
    return None


def wait_status(s, browser, start, timeout=20):
    return wait_for(f"the status to start with {start!r}",
                    lambda: (status(s, browser) or "").startswith(start) and status(s, browser), timeout=timeout)


def walk(s, pages, problems):
    config = os.path.join(s.home, ".config")
    os.makedirs(os.path.join(config, "quokka"))
    with open(os.path.join(config, "quokka", "play.conf"), "w") as f:
        f.write(f"pageTimeout={TIMEOUT}\n")
    os.makedirs(os.path.dirname(s.list_file()), exist_ok=True)
    names = ["one", "", "slow", "never", "two"]
    with open(s.list_file(), "wb") as f:
        f.write("".join((pages.url(n) if n else "") + "\r\n" for n in names).encode())

    s.start({"XDG_CONFIG_HOME": config})
    main = s.find("frame", "Quokka", timeout=30, showing=True)
    s.click(s.button(main, "Quokka"))  # the toolbar's button: the list browser, at the start page
    lst = s.find("list", "Address list", timeout=15, showing=True)
    browser = window_of(lst)
    problems += s.unnamed_controls(browser)
    play = s.button(browser, "Play")

    # The delay typed in with the keyboard, the end choice left at Stop.
    delay = s.find("spin button", None, root=browser, showing=True)
    check(delay.name.startswith("Delay"), f"the delay box is named {delay.name!r}")
    s.click(delay)
    s.keys("ctrl+a")
    s.type(str(DELAY))
    s.keys("Tab")
    loop = s.find("check box", "Start again at the end", root=browser, showing=True)
    check(not loop.getState().contains(s.pyatspi.STATE_CHECKED), "a fresh start loops at the end")
    s.shot("play-controls")

    # Play with the real mouse: the whole list goes by in order.
    s.click(play)
    s.button(browser, "Pause")
    wait_status(s, browser, "Playing")
    wait_for("/one", lambda: "one" in pages.asked())
    seen = wait_status(s, browser, "Playing, next in")
    s.shot("play-playing")
    print("status while playing:", seen)
    told = set()

    def asked_for(name):
        told.add(status(s, browser))
        return name in pages.asked()
    wait_for("/slow", lambda: asked_for("slow"), timeout=20)
    wait_for("/never", lambda: asked_for("never"), timeout=30)
    check(any("skipped 1 empty" in (t or "") for t in told), f"the blank entry's skip was not told: {told}")
    slow_to_never = pages.when("never") - pages.when("slow")
    print(f"/slow answered after {SLOW} s; /never asked {slow_to_never:.1f} s after /slow")
    check(slow_to_never >= SLOW + DELAY - 0.3,
          f"the slow page did not keep its delay after it finished loading: {slow_to_never:.1f} s")
    wait_for("/two", lambda: "two" in pages.asked(), timeout=DELAY + TIMEOUT + 30)
    never_to_two = pages.when("two") - pages.when("never")
    print(f"/two asked {never_to_two:.1f} s after /never (delay {DELAY} s + time-out {TIMEOUT} s)")
    check(never_to_two >= DELAY + TIMEOUT - 0.5, f"the page that never loads gave way after {never_to_two:.1f} s")
    wait_status(s, browser, "Stopped at the end of the list", timeout=30)
    s.button(browser, "Play")
    check(pages.asked() == ["one", "slow", "never", "two"], f"the pages were asked for as {pages.asked()}")

    # Play at the last entry: a new round from the top.  Next is the person taking over.
    before = len(pages.asked())
    s.click(s.button(browser, "Play"))
    wait_for("the top again", lambda: pages.asked()[before:][:1] == ["one"], timeout=20)
    s.click(s.button(browser, "Next"))
    wait_status(s, browser, "Paused")
    s.button(browser, "Play")
    s.shot("play-paused")
    asked = len(pages.asked())
    time.sleep(DELAY + 2)
    check(len(pages.asked()) == asked + 0, f"paused, the walk went on: {pages.asked()[asked:]}")

    # Ctrl+P from the list: plays from the entry shown, and pauses again.
    s.click(s.find("list item", pages.url("slow"), root=lst))
    wait_status(s, browser, "Paused")
    s.keys("ctrl+p")
    wait_status(s, browser, "Playing")
    s.keys("ctrl+p")
    wait_status(s, browser, "Paused")

    # Enlarge: the walk goes on in the browser window, which F11 shows full screen; round and round now.
    s.click(loop)
    wait_for("the end choice ticked", lambda: loop.getState().contains(s.pyatspi.STATE_CHECKED), timeout=5)
    s.click(s.button(browser, "Play"))
    wait_status(s, browser, "Playing")
    s.click(s.button(main, "Enlarge quokka"))
    big = wait_for("the browser window", lambda: next((w for w in s.windows() if w.getRoleName() == "frame"
                                                       and w.name.startswith("Page")), None), timeout=30)
    page = s.find(None, "Web page", root=big, showing=True)
    # The keyboard to the browser window as a window manager gives it; a click there would be the person
    # taking over.
    wid = s.x_window_of(page)
    subprocess.run(["xdotool", "windowfocus", "--sync", str(wid)], check=True, timeout=10)
    s.keys("F11")
    wait_for("full screen: the status bar gone", lambda: not any(
        s.find_all("label", t, root=big, showing=True) for t in ("Ready!", "Browser is working...")), timeout=10)
    # Xvfb has no window manager: give the window the screen, as one does for a window in full screen.
    screen = s.x_display().screen()
    subprocess.run(["xdotool", "windowmove", "--sync", str(wid), "0", "0", "windowsize", "--sync", str(wid),
                    str(screen.width_in_pixels), str(screen.height_in_pixels)], timeout=10)
    e = wait_for("the page over the whole window", lambda: (lambda x: x if x.width >= screen.width_in_pixels - 2
                 and x.height >= screen.height_in_pixels - 2 else None)(
                     page.queryComponent().getExtents(s.pyatspi.DESKTOP_COORDS)), timeout=10)
    print("page in full screen:", e.x, e.y, e.width, e.height)
    # Each step now asks for its page twice: in the list browser and on the wall display.  The steps are
    # told by the entry the list browser has chosen (as a screen reader reads the list), not by the order
    # of the requests, which a busy machine may interleave: a step that began after this point has both
    # its requests in the log by the time the walk moves on (a new round asks again only after three steps).
    asked = len(pages.asked())

    def chosen():
        for i in range(lst.childCount):
            item = lst.getChildAtIndex(i)
            if item.getState().contains(s.pyatspi.STATE_SELECTED):
                return next((n for n in names if n and item.name == pages.url(n)), None)
        return None
    step = wait_for("an entry chosen by the walk", chosen, timeout=SLOW + DELAY + TIMEOUT + 20)
    # The step chosen first may have begun before the look: the two after it are judged.
    for _ in range(2):
        before_step = step
        step = wait_for(f"the walk to go on after {before_step}",
                        lambda: (lambda n: n if n and n != before_step else None)(chosen()),
                        timeout=SLOW + DELAY + TIMEOUT + 20)
        # Both windows ask, but the engine asks once for an address whose first answer has not come when
        # the second view wants it (its cache holds the second request back): a page that never answers.
        want = 1 if step == "never" else 2
        wait_for(f"{step} asked for by both windows",
                 lambda: pages.asked()[asked:].count(step) >= want or chosen() not in (step, None), timeout=30)
        check(pages.asked()[asked:].count(step) >= want,
              f"the step {step} was asked for as {pages.asked()[asked:]}, not by both windows")

    # The wall's caption is the page's title, or its address while the page loads (or a later step's, by then).
    def wall_shows_step():
        later = [step] + pages.asked()[len(pages.asked()) - 4:]
        return any(n and (f"Page {n}" in (big.name or "") or pages.url(n) in (big.name or "")) for n in later)
    wait_for(f"the wall display to show {step}", wall_shows_step, timeout=30)
    check((status(s, browser) or "").startswith("Playing"), f"the walk stopped: {status(s, browser)!r}")
    time.sleep(1)
    s.shot("play-full-screen")
    # Esc stops a page that is loading first (the walk may be loading the next one); then it leaves.
    def status_bar_shown():
        return any(s.find_all("label", t, root=big, showing=True) for t in ("Ready!", "Browser is working..."))
    for _ in range(4):
        s.keys("Escape")
        try:
            wait_for("full screen left: the status bar back", status_bar_shown, timeout=3)
            break
        except Exception:
            continue
    check(status_bar_shown(), "Esc did not leave full screen")
    address = s.find("text", "Address", root=big, showing=True)
    check(text_of(address) in [pages.url(n) for n in names if n],
          f"the wall display's address box shows {text_of(address)!r}, not a played entry")
    s.shot("play-full-screen-left")

    conf = read(os.path.join(config, "quokka", "play.conf")).decode()
    check(f"delay={DELAY}\n" in conf and "atEnd=loop\n" in conf and f"pageTimeout={TIMEOUT}\n" in conf,
          f"the settings file holds {conf!r}")


def main(program):
    pages = Pages()
    try:
        return run_walks(program, (lambda s, problems: walk(s, pages, problems),))
    finally:
        pages.close()


if __name__ == "__main__":
    run_inside_session(main, budget=300)
