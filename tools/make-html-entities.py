#!/usr/bin/python3
# Writes src/check/htmlentities.inc, the named character references of HTML (the WHATWG list, as
# Python's html.entities.html5 holds it): one row a name, sorted by its bytes, for a binary search.
# Names that end without ';' are the old ones browsers also read without it.
#   python3 tools/make-html-entities.py > src/check/htmlentities.inc
import html.entities

print("// The named character references of HTML, sorted by name; written by tools/make-html-entities.py.")
print("// clang-format off")
for name in sorted(html.entities.html5, key=lambda n: n.encode()):
    points = [ord(c) for c in html.entities.html5[name]]
    points += [0] * (2 - len(points))
    print('{"%s", 0x%X, 0x%X},' % (name, points[0], points[1]))
print("// clang-format on")
