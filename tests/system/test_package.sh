#!/bin/bash
# Builds the Debian package as `bash scripts/quokka.sh package` does and checks what a Debian machine
# gets from it: its control fields and dependencies, its file list, Debian's package checker (lintian),
# the software-centre data (appstreamcli) and the menu entry (desktop-file-validate).
# Installing it into fresh Debian roots is scripts/check-package-install.sh, run by hand.
set -u
build="${QUOKKA_BUILD_DIR:?}"
src="${QUOKKA_SOURCE_DIR:?}"
command -v dpkg-buildflags >/dev/null || { echo "SKIP: not a Debian machine (no dpkg-dev)"; exit 77; }
for tool in dpkg-deb lintian appstreamcli desktop-file-validate fakeroot; do
    command -v $tool >/dev/null || { echo "FAIL: $tool is missing: install the packages of scripts/debian-packages.txt"; exit 1; }
done
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
app_id=$(sed -n 's/^set(QUOKKA_APP_ID \(.*\))$/\1/p' "$src/CMakeLists.txt")
version=$(sed -n 's/^project(quokka VERSION \([^ ]*\) .*/\1/p' "$src/CMakeLists.txt")
[ -n "$app_id" ] && [ -n "$version" ] || { echo "FAIL: no application id or version in CMakeLists.txt"; exit 1; }
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
arch=$(dpkg --print-architecture)

started=$(date +%s)
out=$(QUOKKA_JOBS=2 bash "$src/packaging/build-deb.sh" "$build/package" 2>&1)
rc=$?
echo "package built in $(( $(date +%s) - started )) s"
[ $rc -eq 0 ] || { echo "$out" | tail -40; echo "FAIL: packaging/build-deb.sh exited with $rc"; exit 1; }
deb=$(echo "$out" | tail -1)
[ -f "$deb" ] || { echo "FAIL: no package named on the last line: $deb"; exit 1; }
[ "$(basename "$deb")" = "quokka_${version}_${arch}.deb" ] || fail "the package file is $(basename "$deb")"

tmp=$(mktemp -d /tmp/quokka-package.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
root="$tmp/root"
dpkg-deb --extract "$deb" "$root" || { echo "FAIL: dpkg-deb cannot extract $deb"; exit 1; }

# --- control fields ---
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = quokka ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project's is $version"
changelog_version=$(zcat "$root/usr/share/doc/quokka/changelog.gz" 2>/dev/null | sed -n '1s/^quokka (\(.*\)).*/\1/p')
[ "$changelog_version" = "$version" ] || fail "the changelog's latest entry is '$changelog_version', not $version"
[ "$(field Section)" = web ] || fail "Section is '$(field Section)'"
[ "$(field Priority)" = optional ] || fail "Priority is '$(field Priority)'"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
field Maintainer | grep -Eq '^[^<]+ <[^@ ]+@[^> ]+>$' || fail "Maintainer is '$(field Maintainer)'"
field Homepage | grep -q '^https://' || fail "Homepage is '$(field Homepage)'"
description=$(field Description)
[ "$(echo "$description" | wc -l)" -ge 5 ] || fail "the description has no real long text: $description"
echo "$description" | head -1 | grep -q '^web browser' || fail "the synopsis is '$(echo "$description" | head -1)'"
depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/ *(.*//; s/ *|.*//')
has_dep() { echo "$depends" | grep -qx "$1" || fail "Depends lacks $1 ($2): $(field Depends)"; }
# linked libraries, computed by dpkg-shlibdeps from the programs and the private libraries
has_dep libqt6webenginecore6 "linked by the web engine library"
has_dep libqt6multimedia6 "linked by the core library"
has_dep libc6 "linked by everything"
# what is loaded without being linked
has_dep libqt6webenginecore6-bin "the web engine's page process"
has_dep "$(dpkg-query -S "$(qmake6 -query QT_INSTALL_PLUGINS 2>/dev/null || echo /usr/lib/$multiarch/qt6/plugins)/platforms/libqxcb.so" | cut -d: -f1)" "the X11 platform plugin"
has_dep gstreamer1.0-plugins-good "the AVI demuxer for the start-up chime"
has_dep gstreamer1.0-plugins-base "GStreamer's player"
has_dep hicolor-icon-theme "the icon theme"
has_dep libqt6sql6-sqlite "Qt's SQLite driver for the page memory"
# nothing that is only needed to build
if echo "$depends" | grep -E -- '-dev$|^(cmake|ninja-build|ccache|g\+\+|gcc|build-essential|dpkg-dev|lintian|xvfb)$'; then
    fail "Depends names build-only packages"
fi
field Depends | grep -q '\${' && fail "Depends has an unexpanded substitution: $(field Depends)"

# --- file list ---
files=$(cd "$root" && find . \( -type f -o -type l \) | sed 's|^\.||' | sort)
expect=(
    /usr/bin/quokka
    /usr/lib/$multiarch/quokka/libquokka_core.so
    /usr/lib/$multiarch/quokka/libquokka_webengine.so
    /usr/share/quokka/dat/ch.dat /usr/share/quokka/dat/tst.gif
    /usr/share/quokka/dat/not-found-phrases.txt /usr/share/quokka/dat/parked-domains.txt
    /usr/share/quokka/dat/placeholder-pages.txt
    /usr/share/quokka/download.avi /usr/share/quokka/start.html
    /usr/share/applications/$app_id.desktop
    /usr/share/metainfo/$app_id.metainfo.xml
    /usr/share/icons/hicolor/scalable/apps/$app_id.svg
    /usr/share/man/man1/quokka.1.gz
    /usr/share/doc/quokka/copyright /usr/share/doc/quokka/changelog.gz
)
for size in 16 24 32 48 64 128 256 512; do expect+=(/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png); done
for f in "${expect[@]}"; do echo "$files" | grep -qx "$f" || fail "$f is not in the package"; done
echo "$files" | grep -v -E '^/usr/(bin|lib/'"$multiarch"'/quokka|share/(quokka|applications|metainfo|icons/hicolor|man/man1|doc/quokka|lintian/overrides))/' \
    | sed 's/^/unexpected file: /' | grep . && fail "files outside the expected folders"
# every program in /usr/bin has its manual page
for program in $(echo "$files" | sed -n 's|^/usr/bin/||p'); do
    echo "$files" | grep -qx "/usr/share/man/man1/$program.1.gz" || fail "/usr/bin/$program has no manual page"
done
# each icon is as large as its folder says, with transparency
for size in 16 24 32 48 64 128 256 512; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    file -b "$png" | grep -q "^PNG image data, $size x $size, 8-bit/color RGBA" || fail "$png is $(file -b "$png")"
done
# the programs are stripped, find their libraries below /usr, never in a build folder
for elf in $(cd "$root" && find . -type f \( -path './usr/bin/*' -o -name '*.so' \)); do
    file -b "$root/$elf" | grep -q 'not stripped' && fail "$elf is not stripped"
    runpath=$(readelf -d "$root/$elf" | sed -n 's/.*R\(UN\)\?PATH.*\[\(.*\)\]/\2/p')
    case "$runpath" in
    ""|'$ORIGIN'|'$ORIGIN/../lib/'"$multiarch"'/quokka') ;;
    *) fail "$elf looks for libraries in '$runpath'" ;;
    esac
done
readelf -d "$root/usr/bin/quokka" | grep -q 'RUNPATH.*\$ORIGIN/../lib/'"$multiarch"'/quokka' \
    || fail "/usr/bin/quokka does not find its libraries in /usr/lib/$multiarch/quokka"
grep -rlF "$build" "$root" | sed 's/^/names the build folder: /' | grep . && fail "the package names the build folder"

# the manual page of quokka-check knows every option the program has
if [ -x "$root/usr/bin/quokka-check" ]; then
    page=$(zcat "$root/usr/share/man/man1/quokka-check.1.gz" | sed 's/\\-/-/g')
    for option in $(QT_QPA_PLATFORM=offscreen "$root/usr/bin/quokka-check" --help 2>&1 | grep -oE -- '--[a-z][a-z-]+' | sort -u); do
        echo "$page" | grep -qF -- "$option" || fail "quokka-check's manual page does not describe $option"
    done
fi

# --- Debian's checks ---
lintian_out=$(lintian --fail-on error,warning --display-level ">=warning" "$deb" 2>&1)
rc=$?
lintian_out=$(echo "$lintian_out" | grep -v "^running with root privileges")
[ -n "$lintian_out" ] && echo "$lintian_out"
[ $rc -eq 0 ] || fail "lintian reports errors or warnings (exit $rc)"
appstream_out=$(appstreamcli validate --pedantic --no-net --explain "$root/usr/share/metainfo/$app_id.metainfo.xml" 2>&1)
rc=$?
echo "$appstream_out" | grep -E '^[IP]:'
echo "$appstream_out" | grep -E '^[EW]:' && fail "appstreamcli validate --pedantic reports errors or warnings"
[ $rc -eq 0 ] || { echo "$appstream_out"; fail "appstreamcli validate failed (exit $rc)"; }
tree_out=$(appstreamcli validate-tree --pedantic --no-net "$root" 2>&1)
rc=$?
[ $rc -eq 0 ] || { echo "$tree_out"; fail "appstreamcli validate-tree failed (exit $rc)"; }
desktop_out=$(desktop-file-validate "$root/usr/share/applications/$app_id.desktop" 2>&1)
rc=$?
[ -z "$desktop_out" ] && [ $rc -eq 0 ] || { echo "$desktop_out"; fail "desktop-file-validate complains (exit $rc)"; }
# the menu entry, the icon and the software-centre data name each other
grep -qx "Icon=$app_id" "$root/usr/share/applications/$app_id.desktop" || fail "the menu entry's Icon is not $app_id"
grep -qx "Exec=quokka" "$root/usr/share/applications/$app_id.desktop" || fail "the menu entry does not start /usr/bin/quokka"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$root/usr/share/metainfo/$app_id.metainfo.xml" \
    || fail "the software-centre data does not launch $app_id.desktop"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$app_id.metainfo.xml" \
    || fail "the software-centre data has no release $version"

[ $failures -eq 0 ] || { echo "$failures failures"; exit 1; }
echo PASS
