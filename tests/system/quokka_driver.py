"""Drives the built Quokka from outside, as a person with a screen reader would.

A test script calls run_inside_session(main) at the bottom.  The first run re-starts the script
inside xvfb-run and dbus-run-session (bounded by a timeout, in its own process group so that
everything it started goes away on failure); the inner run starts the accessibility bus and the
program, then hands a Session to main().
"""
import http.server
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

INNER = "QUOKKA_E2E_INNER"
SKIP = 77


def run_inside_session(main, budget=600):
    """budget: seconds for the whole script, a guard against a hang (several times a quiet machine's time)."""
    if os.environ.get(INNER):
        sys.exit(main(sys.argv[1]))
    for tool in ("xvfb-run", "dbus-run-session", "dbus-send", "xdotool", "import"):
        if not shutil.which(tool):
            print(f"SKIP: {tool} is not installed")
            sys.exit(SKIP)
    if not os.path.exists("/usr/libexec/at-spi-bus-launcher"):
        print("SKIP: at-spi2-core is not installed")
        sys.exit(SKIP)
    try:
        import pyatspi  # noqa: F401
        import Xlib  # noqa: F401
    except ImportError as e:
        print(f"SKIP: {e}")
        sys.exit(SKIP)
    env = dict(os.environ, **{INNER: "1"})
    xvfb_errors = tempfile.NamedTemporaryFile(prefix="quokka-xvfb-", suffix=".log", delete=False).name
    # xvfb-run -a takes the first display number without a lock file, so two runs that start together may
    # pick the same one; starting the search at a number of our own keeps parallel runs apart.
    cmd = ["xvfb-run", "-n", str(100 + os.getpid() % 400), "-a", "-e", xvfb_errors, "-s", "-screen 0 1280x1024x24", "dbus-run-session", "--",
           "/usr/bin/python3", os.path.abspath(sys.argv[0]), os.path.abspath(sys.argv[1])] + sys.argv[2:]
    started = time.monotonic()
    proc = subprocess.Popen(cmd, env=env, start_new_session=True)
    try:
        rc = proc.wait(timeout=budget)
        print(f"the whole run took {time.monotonic() - started:.1f} s (hang guard {budget} s)")
    except subprocess.TimeoutExpired:
        print(f"FAIL: the run took longer than {budget} s, the guard against a hang")
        rc = 1
    finally:
        end_process_group(proc.pid)
    if rc not in (0, SKIP):
        with open(xvfb_errors, errors="replace") as f:
            print("X server's messages:", f.read()[-2000:])
    os.unlink(xvfb_errors)
    sys.exit(rc)


def end_process_group(pgid):
    """Ends what the run left: politely first, since an X server killed outright leaves its lock file
    and socket behind, and a later run may pick that display."""
    for sig, grace in ((signal.SIGTERM, 5.0), (signal.SIGKILL, 0.0)):
        try:
            os.killpg(pgid, sig)
        except ProcessLookupError:
            return
        end = time.monotonic() + grace
        while time.monotonic() < end:
            try:
                os.killpg(pgid, 0)
            except ProcessLookupError:
                return
            time.sleep(0.1)


_BUS = None


class Failure(Exception):
    pass


def wait_for(what, fn, timeout=20.0, step=0.2):
    end = time.monotonic() + timeout
    last = None
    while time.monotonic() < end:
        try:
            v = fn()
            if v:
                return v
        except Exception as e:  # accessibility objects come and go while windows change
            last = e
        time.sleep(step)
    raise Failure(f"timed out waiting for {what}" + (f" ({last})" if last else ""))


class Session:
    """The program started in a fresh home, data folder and working directory."""

    def __init__(self, program, workdir_files=True, shots=None):
        self.program = os.path.abspath(program)
        self.root = tempfile.mkdtemp(prefix="quokka-e2e-")
        self.home = os.path.join(self.root, "home")
        self.data = os.path.join(self.root, "data")
        self.work = os.path.join(self.root, "work")
        for d in (self.home, self.data, self.work):
            os.makedirs(d)
        src = os.environ.get("QUOKKA_SOURCE_DIR")
        if workdir_files and src:
            for f in ("dat", "download.avi", "start.html"):
                os.symlink(os.path.join(src, f), os.path.join(self.work, f))
        self.shots = shots or os.path.join(os.environ.get("QUOKKA_BUILD_DIR", self.root), "e2e-shots")
        os.makedirs(self.shots, exist_ok=True)
        self.procs = []
        # The program's QT_SCALE_FACTOR: accessibility extents come in unscaled units, the screen in pixels.
        self.scale = 1.0
        global _BUS
        if _BUS is None:
            # One accessibility bus for the whole D-Bus session, started by D-Bus itself when first
            # asked for, so that the program and this driver are sure to meet on the same one.
            _BUS = wait_for("the accessibility bus", lambda: subprocess.run(
                ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                 "org.a11y.Bus.GetAddress"], capture_output=True, text=True, timeout=10).stdout.strip(), timeout=20)
        import pyatspi
        self.pyatspi = pyatspi
        # Under load the X server may not take connections yet when xvfb-run starts us; a program started
        # then fails at once with "could not connect to display".
        wait_for("the X server", self.x_display, timeout=30)

    def list_file(self):
        return os.path.join(self.data, "quokka", "url.dat")

    def start(self, extra_env=None):
        env = dict(os.environ)
        env.pop(INNER, None)
        env.update({"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "HOME": self.home,
                    "XDG_DATA_HOME": self.data, "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
                    "QT_QPA_PLATFORM": "xcb",
                    "QTWEBENGINE_CHROMIUM_FLAGS": "--disable-gpu --disable-background-networking"})
        # Settings for the program alone, to hunt a fault by hand: QUOKKA_E2E_PROGRAM_ENV="QT_NO_GLIB=1 ...".
        env.update(item.split("=", 1) for item in os.environ.get("QUOKKA_E2E_PROGRAM_ENV", "").split() if "=" in item)
        env.update(extra_env or {})
        self.scale = float(env.get("QT_SCALE_FACTOR", "1") or 1)
        self.log = open(os.path.join(self.root, "program.log"), "w")
        self.app_proc = subprocess.Popen([self.program], cwd=self.work, env=env,
                                         stdout=self.log, stderr=subprocess.STDOUT)
        self.procs.append(self.app_proc)
        self.app = wait_for("the program on the accessibility bus", self._find_app, timeout=30)
        # Qt does not announce every child window that comes and goes, so a cached tree goes stale:
        # ask the program every time.
        from gi.repository import Atspi
        self.app.set_cache_mask(Atspi.Cache.NONE)
        return self.app

    def _find_app(self):
        desktop = self.pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            a = desktop.getChildAtIndex(i)
            try:
                if a is not None and a.get_process_id() == self.app_proc.pid:
                    return a
            except Exception:
                pass
        return None

    # --- finding things ---------------------------------------------------------------------
    # A list with more entries than this is not walked entry by entry (a list file may hold millions).
    LONG_LIST = 500

    def walk(self, node=None, depth=0, limit=40, into_pages=True):
        """Every node below node (the program by default); with into_pages False, a web page is
        yielded but not what it holds."""
        node = node or self.app
        yield node
        if depth >= limit:
            return
        try:
            if not into_pages and node.getRoleName() == "document web":
                return
        except Exception:
            return
        try:
            n = node.childCount
            if n > self.LONG_LIST and node.getRoleName() in ("list", "table", "tree"):
                return
        except Exception:
            return
        for i in range(n):
            try:
                c = node.getChildAtIndex(i)
            except Exception:
                continue
            if c is not None:
                yield from self.walk(c, depth + 1, limit, into_pages)

    def role_name(self, node):
        """The node's role name, the same on every release: AT-SPI 2.56 (Debian 13) calls a push button
        "button", earlier ones "push button"."""
        if node.getRole() == self.pyatspi.ROLE_PUSH_BUTTON:
            return "push button"
        return node.getRoleName()

    def find_all(self, role=None, name=None, root=None, showing=False):
        out = []
        for n in self.walk(root):
            try:
                if role and self.role_name(n) != role:
                    continue
                if name is not None and n.name != name:
                    continue
                if showing and not n.getState().contains(self.pyatspi.STATE_SHOWING):
                    continue
                out.append(n)
            except Exception:
                pass
        return out

    def find(self, role=None, name=None, root=None, timeout=15.0, showing=False):
        return wait_for(f"{role} {name!r}",
                        lambda: (self.find_all(role, name, root, showing) or [None])[0], timeout)

    def gone(self, role, name, timeout=15.0):
        wait_for(f"{role} {name!r} to go away",
                 lambda: not self.find_all(role, name, showing=True), timeout)

    def windows(self):
        return [self.app.getChildAtIndex(i) for i in range(self.app.childCount)]

    # --- acting ----------------------------------------------------------------------------
    def do(self, node, action=None):
        a = node.queryAction()
        names = [a.getName(i) for i in range(a.nActions)]
        idx = names.index(action) if action else 0
        from gi.repository import Atspi
        try:
            # An action that opens a modal message box answers only when the box closes, so the call times
            # out. In the first 15 s after the program started, AT-SPI waits out that whole "start-up time"
            # (10 s lost per start): give the call the ordinary time-out instead.
            Atspi.set_timeout(800, 0)
            a.doAction(idx)
        except Exception as e:
            if "Did not receive a reply" not in str(e):
                raise
        finally:
            Atspi.set_timeout(800, 15000)  # AT-SPI's defaults

    def button(self, root, caption, *old_names, role="push button"):
        """The showing control in root whose screen-reader name holds its visible caption as words (any case),
        an exact match first; old_names are names that did not hold it yet."""
        words = re.compile(r"(^|\W)" + re.escape(caption) + r"(\W|$)", re.IGNORECASE)

        def lookup():
            found = [n for n in self.find_all(role, root=root, showing=True) if n.name]
            for match in (lambda n: n.name.lower() == caption.lower(), lambda n: n.name in old_names,
                          lambda n: words.search(n.name)):
                hits = [n for n in found if match(n)]
                if hits:
                    return hits[0]
            return None
        return wait_for(f"{role} {caption!r} in {root.name if root else 'the program'!r}", lookup, timeout=15)

    def press(self, name, role="push button", root=None):
        self.do(self.find(role, name, root, showing=True))

    def menu(self, *path):
        """Runs a menu command such as ("List", "Destroy List").

        The command is triggered through the item's action without opening its menu first:
        a menu opened through the accessibility interface stays open and holds the keyboard."""
        node = None
        for label in path:
            node = self.find("menu item", label, root=node, timeout=10)
        self.do(node)
        time.sleep(0.3)
        return node

    # --- the real mouse and keyboard ---------------------------------------------------------
    def centre(self, node):
        """The control's centre on the screen, from its accessibility extents."""
        e = self.extents(node)
        if e[2] <= 0 or e[3] <= 0:
            raise Failure(f"{node.getRoleName()} {node.name!r} has no place on the screen")
        return e[0] + e[2] // 2, e[1] + e[3] // 2

    def extents(self, node):
        """The node's x, y, width and height on the screen, in pixels (scaled as the program is)."""
        e = node.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
        return tuple(round(v * self.scale) for v in (e.x, e.y, e.width, e.height))

    def click(self, node, double=False):
        """Clicks the control's centre with the real mouse, as a person does: only when the control is what is on
        top at that point of the screen, and fails otherwise.  Nothing is raised first; Xvfb has no window manager,
        so the window under the mouse gets the keyboard as a click-to-focus one would give it."""
        wait_for(f"{node.getRoleName()} {node.name!r} on the screen",
                 lambda: node.getState().contains(self.pyatspi.STATE_SHOWING), timeout=10)
        # What the screen shows now, before anything of the click (the window manager's maximizing, the keyboard
        # coming to the window) could bring a child window forward.
        x, y = self.centre(node)
        own, covering = self.child_windows_at(node, x, y)
        boxes = self.overlaps(own, covering) if own is not None and covering else []
        before = self.pixels_in(boxes)
        top = self.x_window_of(node)
        if top is not None:
            self.maximize_if_asked(top)
        x, y = self.centre(node)
        what = f"{node.getRoleName()} {node.name!r} at ({x}, {y})"
        places = [w for w in self.top_level_x_windows() if w[0] == top]
        if places and not (places[0][2] <= x < places[0][2] + places[0][4] and places[0][3] <= y < places[0][3] + places[0][5]):
            raise Failure(f"{what} lies outside its window {places[0]}")
        on_top = self.x_window_at(x, y)
        if top is not None and on_top is not None and on_top[0] != top:
            raise Failure(f"{what} is covered by the window {on_top[1]!r} {on_top[2:]}: a person cannot click it")
        own, covering = self.child_windows_at(node, x, y)
        if os.environ.get("QUOKKA_E2E_DEBUG"):
            print("click", what, "own", own and own.name, "covering", [c.name for c in covering], flush=True)
        if covering and own is None:
            chain, n = [], node
            while n is not None:
                chain.append(f"{n.getRoleName()}:{n.name!r}")
                n = n.parent
            raise Failure(f"{what} lies under the child window {covering[0].name!r}: a person cannot click it ({chain})")
        if top is not None:
            subprocess.run(["xdotool", "windowfocus", "--sync", str(top)], check=True, timeout=10)
        # "mousemove --sync" waits for the pointer to move, which it never does when it is there already.
        pointer = self.x_display().screen().root.query_pointer()
        if (pointer.root_x, pointer.root_y) != (x, y):
            subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y)], check=True, timeout=10)
        if covering:
            self.press_only_on_top(own, covering, boxes, before, what)
            if double:
                subprocess.run(["xdotool", "click", "1"], check=True, timeout=10)
        else:
            subprocess.run(["xdotool", "click", *(["--repeat", "2"] if double else []), "1"], check=True, timeout=10)
        time.sleep(0.2)

    def x_window_at(self, x, y):
        """The topmost mapped top-level X window of any program at (x, y) on the screen: (id, name, x, y, w, h).
        The root window's children come bottom to top in their stacking order."""
        from Xlib import X, error
        d = self.x_display()
        name_atom = d.intern_atom("_NET_WM_NAME")
        found = None
        for w in d.screen().root.query_tree().children:
            try:
                if w.get_attributes().map_state != X.IsViewable:
                    continue
                g = w.get_geometry()
                if g.x <= x < g.x + g.width and g.y <= y < g.y + g.height:
                    name = w.get_full_property(name_atom, X.AnyPropertyType)
                    found = (w.id, name.value.decode() if name else None, g.x, g.y, g.width, g.height)
            except error.XError:  # the window went away while we looked
                continue
        return found

    def popup_at(self, x, y):
        """Whether a popup (a context menu: a mapped override-redirect X window, not on the accessibility bus)
        is shown at (x, y) or beside it."""
        from Xlib import X, error
        for w in self.x_display().screen().root.query_tree().children:
            try:
                a = w.get_attributes()
                if a.map_state != X.IsViewable or not a.override_redirect:
                    continue
                g = w.get_geometry()
                if g.width > 20 and g.height > 20 and g.x - 50 <= x < g.x + g.width + 50 and g.y - 50 <= y < g.y + g.height + 50:
                    return True
            except error.XError:
                continue
        return False

    def child_windows_at(self, node, x, y):
        """The child window of the frame that holds node (or None), and the other child windows shown at (x, y).

        Qt 6.4 tells neither the stacking of the frame's child windows nor, asked what is at a point, the top one
        (it answers with the first created), so which of them is on top is found by pressing: see
        press_only_on_top."""
        # A child window is a frame inside the main window's document area (a "layered pane", whose viewport
        # holds the child windows).
        own = node
        while own is not None and not (own.getRoleName() in ("frame", "internal frame") and own.parent is not None
                                        and own.parent.getRoleName() != "application"):
            own = own.parent
        if own is not None:
            containers = [own.parent]
        else:
            # A control of the frame itself (its document area, say): every child window of the frame counts.
            frame = node
            while frame.parent is not None and frame.parent.getRoleName() != "application":
                frame = frame.parent
            containers = []
            for pane in [n for n in self.walk(frame, limit=6, into_pages=False) if n.getRoleName() == "layered pane"]:
                containers += [pane.getChildAtIndex(i) for i in range(pane.childCount)]
        areas = [c for c in containers if c is not None]
        covering = []
        for a in areas:
            for i in range(a.childCount):
                child = a.getChildAtIndex(i)
                if child is None or child.getRoleName() not in ("frame", "internal frame") or self.same(child, own) \
                        or not child.getState().contains(self.pyatspi.STATE_SHOWING):
                    continue
                if self.is_inside(node, child):
                    continue
                cx, cy, cw, ch = self.extents(child)
                if cx <= x < cx + cw and cy <= y < cy + ch:
                    covering.append(child)
        return own, covering

    def same(self, a, b):
        """Whether two accessibility proxies stand for the same object (two proxies of one need not be equal)."""
        if a is None or b is None:
            return a is b
        try:
            return (a.getRoleName(), a.name, a.getIndexInParent(), self.extents(a)) == \
                (b.getRoleName(), b.name, b.getIndexInParent(), self.extents(b))
        except Exception:
            return False

    def is_inside(self, node, ancestor):
        while node is not None:
            if self.same(node, ancestor):
                return True
            node = node.parent
        return False

    def overlaps(self, own, covering):
        """Where node's child window and those at the point overlap: (x, y, width, height) each."""
        ox, oy, ow, oh = self.extents(own)
        boxes = []
        for c in covering:
            cx, cy, cw, ch = self.extents(c)
            left, top, right, bottom = max(ox, cx), max(oy, cy), min(ox + ow, cx + cw), min(oy + oh, cy + ch)
            if right > left and bottom > top:
                boxes.append((left, top, right - left, bottom - top))
        return boxes

    def pixels_in(self, boxes):
        """What the screen shows in boxes, sampled on a grid."""
        from Xlib import X
        root = self.x_display().screen().root
        samples = []
        for (bx, by, bw, bh) in boxes:
            image = root.get_image(bx, by, bw, bh, X.ZPixmap, 0xffffffff)
            data, stride = image.data, len(image.data) // bh
            for yy in range(0, bh, 7):
                for xx in range(0, bw, 7):
                    i = yy * stride + xx * 4
                    samples.append(bytes(data[i:i + 3]))
        return samples

    def press_only_on_top(self, own, covering, boxes, before, what):
        """Presses the mouse button at the pointer and lets go only when the press reached node's child window (the
        keyboard went into it, as a press in a child window gives it); else moves off before letting go, so
        that no click lands anywhere, and fails.  A child window that the keyboard's arrival brought forward
        was under another one before: the screen changed where they overlap, and that fails too."""
        subprocess.run(["xdotool", "mousedown", "1"], check=True, timeout=10)
        try:
            reached = wait_for(f"the press on {what} to reach its window {own.name!r}",
                               lambda: self.has_focus_within(own), timeout=3, step=0.1)
        except Failure:
            reached = False
        if not reached:
            subprocess.run(["xdotool", "mousemove", "--sync", "0", "0", "mouseup", "1"], check=True, timeout=10)
            names = [c.name for c in covering]
            raise Failure(f"{what} is covered by the child window {names}: the press went there, not to {own.name!r}")
        after = self.pixels_in(boxes)
        subprocess.run(["xdotool", "mouseup", "1"], check=True, timeout=10)
        changed = sum(a != b for a, b in zip(before, after))
        if os.environ.get("QUOKKA_E2E_DEBUG"):
            print("samples changed", changed, "of", len(before), flush=True)
        if before and changed > 0.5 * len(before):
            raise Failure(f"{what}: its window {own.name!r} lay under {[c.name for c in covering]} until the keyboard "
                          f"came to it ({changed} of {len(before)} samples changed): a person saw it covered")

    def has_focus_within(self, node):
        return any(n.getState().contains(self.pyatspi.STATE_FOCUSED) for n in self.walk(node, limit=12, into_pages=False))

    def drag(self, sx, sy, target):
        """Presses the button at (sx, sy), moves the mouse over in steps as a hand does and lets go at target's
        centre, only when target's window is on top there."""
        tx, ty = self.centre(target)
        top = self.x_window_of(target)
        on_top = self.x_window_at(tx, ty)
        check(on_top is not None and on_top[0] == top,
              f"{target.getRoleName()} {target.name!r} at ({tx}, {ty}) lies under the window {on_top}: nobody can drop there")
        subprocess.run(["xdotool", "mousemove", "--sync", str(sx + 1), str(sy + 1), "mousemove", "--sync", str(sx), str(sy),
                        "mousedown", "1"], check=True, timeout=10)
        steps = 12
        for i in range(1, steps + 1):
            subprocess.run(["xdotool", "mousemove", "--sync", str(sx + (tx - sx) * i // steps),
                            str(sy + (ty - sy) * i // steps)], check=True, timeout=10)
            time.sleep(0.08)
        time.sleep(0.5)  # the target's answer to the last position comes back to the source
        subprocess.run(["xdotool", "mouseup", "1"], check=True, timeout=10)

    def drag_in(self, offer, place, target):
        """Drags what another program offers onto target with the real mouse, as a person drags a link out of
        a web browser or a file out of a file manager: tests/system/drag_source.py (GTK, and so XDND as those
        programs speak it) shows offer (["link", URL, TITLE] or ["file", PATH]) in a window at place; the
        button goes down on it, the mouse moves over in steps as a hand does and lets go at target's centre,
        only when target's window is on top there.  Returns how the source says the drag ended ("drag-end
        copy", "drag-failed ...")."""
        import select
        source = subprocess.Popen(["/usr/bin/python3", os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                                    "drag_source.py"), str(place[0]), str(place[1]), *offer],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self.log, text=True)
        self.procs.append(source)

        def line(what, timeout):
            if not select.select([source.stdout], [], [], timeout)[0]:
                raise Failure(f"the drag source did not tell {what} in {timeout} s")
            return source.stdout.readline().strip()

        try:
            row = line("where its row is", 20).split()
            check(row[:2] == ["row", "0"], f"the drag source said {row!r}")
            sx, sy = int(row[2]) + int(row[4]) // 2, int(row[3]) + int(row[5]) // 2
            on_top = self.x_window_at(sx, sy)
            check(on_top is not None and on_top[1] == "Drag source", f"the drag source's row at ({sx}, {sy}) lies under {on_top}")
            self.drag(sx, sy, target)
            return line("how the drag ended", 15)
        finally:
            source.stdin.close()
            try:
                source.wait(timeout=10)
            except subprocess.TimeoutExpired:
                source.kill()

    def type(self, text):
        """Types text with the keyboard into whatever has the focus; a line break is the Return key (xdotool
        would type it as Linefeed, which is no key in Qt)."""
        for i, line in enumerate(text.split("\n")):
            if i:
                self.keys("Return")
            if line:
                subprocess.run(["xdotool", "type", "--delay", "20", "--clearmodifiers", line], check=True, timeout=60)

    def keys(self, *keysyms):
        """Presses keys such as "ctrl+a" or "Return" into whatever has the focus."""
        subprocess.run(["xdotool", "key", "--delay", "50", "--clearmodifiers", *keysyms], check=True, timeout=30)

    def has_focus(self, node):
        return any(n.getState().contains(self.pyatspi.STATE_FOCUSED) for n in self.walk(node, limit=3))

    def click_and_type(self, node, text, replace=True):
        """Clicks a text box (or an editable combo box) and types into it, replacing what it held."""
        self.click(node)
        wait_for(f"the keyboard focus in {node.name!r} after a click", lambda: self.has_focus(node), timeout=5)
        if replace:
            self.keys("ctrl+a", "BackSpace")
        self.type(text)
        if replace and "\n" not in text:
            # The keys reach the box in their own time on a busy machine: what comes next (Return, a click
            # elsewhere) must not overtake them.
            def typed():
                try:
                    return text_of(node) == text
                except NotImplementedError:
                    return True
            wait_for(f"{text!r} in {node.name!r}", typed, timeout=15)

    def file_dialog(self, title, timeout=15):
        """The file dialog titled @title once its name box has the keyboard, which it takes a moment after the
        dialog is shown (longer on a busy machine): keys typed before then go elsewhere."""
        dialog = self.find("dialog", title, timeout=timeout, showing=True)
        wait_for(f"the keyboard in the name box of {title!r}", lambda: any(
            n.getRoleName() == "text" and n.getState().contains(self.pyatspi.STATE_FOCUSED)
            for n in self.walk(dialog, limit=12, into_pages=False)), timeout=timeout)
        return dialog

    def save_through_dialog(self, button, dialog_title, path, timeout=15):
        """Clicks @button, types @path into the file dialog that comes up by keyboard, and waits for the file."""
        self.click(button)
        self.file_dialog(dialog_title)
        self.keys("ctrl+a", "BackSpace")
        self.type(path)
        self.keys("Return")
        wait_for(f"the file {path}", lambda: os.path.exists(path), timeout=timeout)

    def answer_alert(self, button="OK", text=None, timeout=15):
        """Clicks a button of the message box on the screen and returns the box's title."""
        alert = self.find("alert", None, timeout=timeout, showing=True)
        title = alert.name
        if text is not None:
            labels = [n.name for n in self.find_all("label", root=alert)]
            if text not in labels and text != alert.name:
                raise Failure(f"message {text!r} not shown; the box says {labels} ({alert.name!r})")
        self.click(self.find("push button", button, root=alert, showing=True))
        return title

    # --- X11 --------------------------------------------------------------------------------
    def x_display(self):
        if getattr(self, "_x", None) is None:
            from Xlib import display
            self._x = display.Display()
        return self._x

    def top_level_x_windows(self):
        """The program's mapped top-level X windows, bottom to top: (id, _NET_WM_NAME, x, y, width, height).

        Only children of the root window count: a window manager sees and closes those, while `xdotool search`
        also returns the native child windows inside them."""
        from Xlib import X, error
        d = self.x_display()
        pid_atom, name_atom = d.intern_atom("_NET_WM_PID"), d.intern_atom("_NET_WM_NAME")
        out = []
        for w in d.screen().root.query_tree().children:
            try:
                if w.get_attributes().map_state != X.IsViewable:
                    continue
                pid = w.get_full_property(pid_atom, X.AnyPropertyType)
                if not pid or pid.value[0] != self.app_proc.pid:
                    continue
                name = w.get_full_property(name_atom, X.AnyPropertyType)
                g = w.get_geometry()
                out.append((w.id, name.value.decode() if name else None, g.x, g.y, g.width, g.height))
            except error.XError:  # the window went away while we looked
                continue
        return out

    def x_window(self, title):
        """The top-level X window titled exactly title, waited for (the topmost of several)."""
        found = wait_for(f"a top-level X window titled {title!r}",
                         lambda: [w for w in self.top_level_x_windows() if w[1] == title], timeout=15)
        return found[-1][0]

    def x_window_of(self, node):
        """The top-level X window of the accessible window that holds node: the one in its place."""
        top = node
        while top.parent is not None and top.parent.getRoleName() != "application":
            top = top.parent
        e = self.extents(top)
        # Scaled extents may be a pixel off the X window's geometry.
        same = [w for w in self.top_level_x_windows() if all(abs(a - b) <= (0 if self.scale == 1 else 2)
                                                              for a, b in zip(w[2:6], e))]
        named = [w for w in same if w[1] == top.name] or same
        return named[-1][0] if named else None

    def maximize_if_asked(self, wid):
        """Gives a window that asks to be maximized the whole screen, as a window manager does."""
        from Xlib import X
        d = self.x_display()
        w = d.create_resource_object("window", wid)
        state = w.get_full_property(d.intern_atom("_NET_WM_STATE"), X.AnyPropertyType)
        screen = d.screen()
        g = w.get_geometry()
        if state and d.intern_atom("_NET_WM_STATE_MAXIMIZED_HORZ") in state.value \
                and (g.width, g.height) != (screen.width_in_pixels, screen.height_in_pixels):
            subprocess.run(["xdotool", "windowmove", "--sync", str(wid), "0", "0", "windowsize", "--sync", str(wid),
                            str(screen.width_in_pixels), str(screen.height_in_pixels)], timeout=10)
            time.sleep(0.5)

    def switch_to(self, title):
        """Brings the top-level window titled title forward and gives it the keyboard, as a person does with the
        desktop's window list or Alt+Tab (there is no window manager to do it under Xvfb)."""
        wid = self.x_window(title)
        subprocess.run(["xdotool", "windowraise", str(wid), "windowfocus", "--sync", str(wid)], check=True, timeout=10)
        time.sleep(0.3)

    def focus_elsewhere(self):
        """Gives the keyboard to a small window of another program in the screen's bottom right corner, away from
        the program's windows: what a screen reader's or voice control's user has while giving commands."""
        from Xlib import X
        d = self.x_display()
        screen = d.screen()
        if getattr(self, "_elsewhere", None) is None:
            self._elsewhere = screen.root.create_window(screen.width_in_pixels - 60, screen.height_in_pixels - 40, 50, 30,
                                                        0, screen.root_depth, X.InputOutput, X.CopyFromParent,
                                                        background_pixel=screen.black_pixel, override_redirect=True)
            self._elsewhere.map()
        self._elsewhere.set_input_focus(X.RevertToParent, X.CurrentTime)
        d.sync()

    def titles(self):
        return [w[1] for w in self.top_level_x_windows()]

    def check_title(self, title):
        """A window titled exactly title is on the screen, as a window manager shows it."""
        wait_for(f"a window titled exactly {title!r} (titles now: {self.titles()})",
                 lambda: title in self.titles(), timeout=10)

    def close_box(self, title):
        """Does what a window manager does for the close box: sends WM_DELETE_WINDOW to the current top-level
        X window titled title."""
        from Xlib import X, protocol
        d = self.x_display()
        w = d.create_resource_object("window", self.x_window(title))
        proto = d.intern_atom("WM_PROTOCOLS")
        delete = d.intern_atom("WM_DELETE_WINDOW")
        ev = protocol.event.ClientMessage(window=w, client_type=proto, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        w.send_event(ev, event_mask=X.NoEventMask)
        d.flush()

    def shot(self, name):
        path = os.path.join(self.shots, f"{name}.png")
        subprocess.run(["import", "-window", "root", path], capture_output=True, timeout=20)
        return path

    def wait_exit(self, timeout=20):
        try:
            return self.app_proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end")

    # --- screen-reader check ----------------------------------------------------------------
    CONTROL_ROLES = {"push button", "text", "list", "combo box", "check box", "radio button",
                     "menu item", "menu", "page tab", "slider", "spin button", "toggle button"}

    def unnamed_controls(self, root):
        """The program's own controls below root that a screen reader could not name. A page's content
        is the page's (Qt 6.8 shows the lists of a web page as lists, which need no name there)."""
        bad = []
        for n in self.walk(root, into_pages=False):
            try:
                role = self.role_name(n)
                if role in self.CONTROL_ROLES and not (n.name or "").strip():
                    bad.append(f"{role} in {root.name!r}: {n.description or n.getAttributes()}")
            except Exception:
                pass
        return bad

    def close(self):
        if getattr(self, "_x", None) is not None:
            self._x.close()
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        shutil.rmtree(self.root, ignore_errors=True)


class LocalServer:
    """Pages on 127.0.0.1, served from a thread of their own by a BaseHTTPRequestHandler subclass."""

    def start(self, handler):
        class Quiet(handler):
            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Quiet)
        self.server.daemon_threads = True
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def url(self, name):
        return f"http://127.0.0.1:{self.server.server_address[1]}/{name}"

    def close(self):
        self.server.shutdown()
        self.server.server_close()


def answer_html(handler, status, body, content_type="text/html"):
    """Answers handler's request with body, kept nowhere (so that every visit asks again)."""
    handler.send_response(status)
    handler.send_header("Content-Type", content_type)
    handler.send_header("Cache-Control", "no-store")
    handler.send_header("Content-Length", str(len(body)))
    handler.end_headers()
    handler.wfile.write(body)


def copy_files(s):
    """The saved copies' files in the session's data folder."""
    folder = os.path.join(s.data, "quokka", "copies")
    return [f for f in os.listdir(folder) if f.endswith(".copy")] if os.path.isdir(folder) else []


def text_of(node):
    """The text of an accessible text node."""
    t = node.queryText()
    return t.getText(0, t.characterCount)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def check(cond, msg):
    if not cond:
        raise Failure(msg)


def window_of(node):
    """The window (frame, child window or dialog) that holds node."""
    while node is not None and node.getRoleName() not in ("internal frame", "frame", "window", "dialog"):
        node = node.parent
    return node


def run_walks(program, walks):
    """Runs each walk(session, problems) in a fresh session; fails on the first failure and on any
    control that a screen reader would find without a name.  QUOKKA_E2E_DUMP=1 prints the program's
    accessibility tree when a walk fails."""
    problems = []
    for number, walk in enumerate(walks, 1):
        s = Session(program)
        started = time.monotonic()
        name = walk.__name__ if walk.__name__ != "<lambda>" else f"number {number}"
        print(f"walk {name}:", flush=True)
        try:
            walk(s, problems)
            print(f"walk {name}: passed in {time.monotonic() - started:.1f} s", flush=True)
        except Failure as e:
            print(f"walk {name}: failed after {time.monotonic() - started:.1f} s", flush=True)
            s.shot("failure")
            print("FAIL:", e)
            try:
                print("windows on the screen:", s.top_level_x_windows())
                print("windows of the program:", [(w.getRoleName(), w.name) for w in s.windows()])
            except Exception as why:
                print("(no window list:", why, ")")
            if os.environ.get("QUOKKA_E2E_DUMP"):
                for n in s.walk():
                    try:
                        print(" ", n.getRoleName(), repr(n.name), n.getState().contains(s.pyatspi.STATE_SHOWING))
                    except Exception:
                        pass
            print(open(os.path.join(s.root, "program.log")).read()[-3000:])
            return 1
        finally:
            s.close()
    for p in problems:
        print("CONTROL WITHOUT NAME:", p)
    if problems:
        return 1
    print("PASS")
    return 0
