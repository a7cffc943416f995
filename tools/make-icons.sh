#!/usr/bin/env bash
# Renders the application icon into the PNG sizes of the hicolor icon theme. Needs librsvg2-bin.
# resources/icons/quokka.svg is the icon for 48 pixels and up (and the scalable one installed);
# quokka-16.svg, quokka-24.svg and quokka-32.svg are the same icon drawn again for small sizes, with
# fewer lines on the pixel grid, because scaling the large one down turns its lines into mud.
# The PNGs are committed (the program embeds them and the package installs them); run this only to
# redo them after changing an SVG.
set -euo pipefail
cd "$(dirname "$0")/../resources/icons"
for size in 16 24 32 48 64 128 256 512; do
    source=quokka.svg
    [ -f "quokka-$size.svg" ] && source="quokka-$size.svg"
    rsvg-convert --width "$size" --height "$size" --output "quokka-$size.png" "$source"
done
# The icon the program's own windows show inside the main window.
cp quokka-64.png ../quokka.png
echo "icons written"
