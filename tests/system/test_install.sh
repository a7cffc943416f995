#!/bin/bash
# Installs into a temporary prefix and starts the installed program away from the source tree:
# it must find its shipped files under <prefix>/share/quokka.
set -u
program="$1"
build="${QUOKKA_BUILD_DIR:?}"
src="${QUOKKA_SOURCE_DIR:?}"
command -v xvfb-run >/dev/null || { echo "SKIP: xvfb-run is not installed"; exit 77; }
tmp=$(mktemp -d /tmp/quokka-install.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
app_id=org.quokkabrowser.quokka
for f in bin/quokka lib/quokka/libquokka_core.so lib/quokka/libquokka_webengine.so share/quokka/dat/ch.dat \
         share/applications/$app_id.desktop share/metainfo/$app_id.metainfo.xml \
         share/icons/hicolor/16x16/apps/$app_id.png share/icons/hicolor/scalable/apps/$app_id.svg \
         share/man/man1/quokka.1.gz; do
    [ -e "$tmp/prefix/$f" ] || { echo "FAIL: $f not installed"; exit 1; }
done
mkdir -p "$tmp/work" "$tmp/data" "$tmp/home"
cd "$tmp/work"
# The installed program must not lean on the build tree for its libraries.
if readelf -d "$tmp/prefix/bin/quokka" | grep -q "$build"; then
    echo "FAIL: the installed program still looks for libraries in the build folder"; exit 1
fi
# The cheat/list browser copies the full list into the data folder when it is created; Destroy
# List touches the list browser, OK on the fresh empty list, Quit ends the program.
QUOKKA_E2E_INNER= HOME="$tmp/home" XDG_DATA_HOME="$tmp/data" XDG_CACHE_HOME="$tmp/home/.cache" \
    /usr/bin/python3 "$src/tests/system/run_installed.py" "$tmp/prefix/bin/quokka"
rc=$?
[ $rc -eq 0 ] || exit $rc
cmp -s "$tmp/data/quokka/ch.dat" "$src/dat/ch.dat" || { echo "FAIL: the installed program did not copy its shipped full list"; exit 1; }

# Without its web engine library the program says which file is missing when it first needs it, and ends.
rm "$tmp/prefix/lib/quokka/libquokka_webengine.so"
QUOKKA_E2E_INNER= HOME="$tmp/home" XDG_DATA_HOME="$tmp/data" XDG_CACHE_HOME="$tmp/home/.cache" \
    /usr/bin/python3 "$src/tests/system/run_installed.py" "$tmp/prefix/bin/quokka" --without-engine || exit 1
echo PASS
