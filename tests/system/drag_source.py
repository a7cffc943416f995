"""Another program to drag from, as a person drags from a web browser or a file manager: a GTK window at a
given place with one row for each thing given, each a drag source offering what those programs offer.

  drag_source.py X Y link URL TITLE   a link as Firefox offers it: text/x-moz-url (UTF-16, address and
                                      title), text/uri-list, text/html and text/plain
  drag_source.py X Y file PATH        a file as a file manager offers it: text/uri-list (file:// and
                                      percent-encoded) and text/plain

Prints "row N X Y W H" for each row once the window is on the screen (screen pixels), then "drag-end" or
"drag-failed" with what the drop did, a line each, flushed.  Ends on SIGTERM or when stdin closes.
"""
import signal
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402


def offers(kind, args):
    """The formats a row offers and its bytes for each."""
    if kind == "link":
        url, title = args
        html = f'<a href="{GLib.markup_escape_text(url)}">{GLib.markup_escape_text(title)}</a>'
        return url, [("text/x-moz-url", (url + "\n" + title).encode("utf-16-le")),
                     ("text/uri-list", (url + "\r\n").encode()),
                     ("text/html", html.encode()),
                     ("text/plain;charset=utf-8", url.encode()),
                     ("UTF8_STRING", url.encode())]
    path = args[0]
    uri = GLib.filename_to_uri(path, None)
    return path, [("text/uri-list", (uri + "\r\n").encode()),
                  ("text/plain;charset=utf-8", path.encode()),
                  ("UTF8_STRING", path.encode())]


def main():
    x, y, kind = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    label, formats = offers(kind, sys.argv[4:])
    window = Gtk.Window(title="Drag source")
    window.move(x, y)
    box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=8)
    box.set_border_width(12)
    window.add(box)
    row = Gtk.EventBox()
    row.add(Gtk.Label(label=label))
    row.set_size_request(360, 48)
    box.add(row)
    targets = [Gtk.TargetEntry.new(name, 0, i) for i, (name, _) in enumerate(formats)]
    row.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, targets, Gdk.DragAction.COPY | Gdk.DragAction.LINK)

    def give(_widget, _context, selection, info, _time):
        selection.set(selection.get_target(), 8, formats[info][1])

    def ended(_widget, context):
        print("drag-end", context.get_selected_action().value_nicks[0] if context.get_selected_action() else "none",
              flush=True)

    def failed(_widget, _context, result):
        print("drag-failed", result.value_nick, flush=True)
        return False

    row.connect("drag-data-get", give)
    row.connect("drag-end", ended)
    row.connect("drag-failed", failed)

    def tell():
        # The row has a window of its own (an event box): its origin is the row's place on the screen.
        _, ox, oy = row.get_window().get_origin()
        a = row.get_allocation()
        print("row 0", ox, oy, a.width, a.height, flush=True)
        return False

    window.connect("map-event", lambda *_: GLib.timeout_add(300, tell) and False)
    window.connect("destroy", Gtk.main_quit)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, lambda: Gtk.main_quit() or False)
    GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_HUP | GLib.IO_IN, lambda *_: Gtk.main_quit() or False)
    window.show_all()
    Gtk.main()


if __name__ == "__main__":
    main()
