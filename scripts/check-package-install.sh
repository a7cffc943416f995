#!/usr/bin/env bash
# Installs Quokka's Debian package into fresh Debian 12 and Debian 13 roots, starts the installed program
# under a virtual display as an ordinary user, finds its main window, then purges the package and checks
# that nothing it installed is left. Run it by hand before every release (it needs root and a chroot).
#   bash scripts/check-package-install.sh [--fresh] [bookworm] [trixie]     (default: both)
# For each release the package is built from the committed HEAD for that release: on this machine when it
# runs that release, otherwise in a build root ($QUOKKA_PKG_ROOTS/<release>-build, made with mmdebstrap and
# kept, where `bash scripts/quokka.sh package` installs what the build needs). The install root is made anew
# each run from a minimal base kept as a tarball ($QUOKKA_PKG_ROOTS/<release>-minbase.tar); --fresh makes
# the base and the build root anew too. Screenshots go to $QUOKKA_PKG_ROOTS/<release>-quokka.png.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
roots="${QUOKKA_PKG_ROOTS:-/var/tmp/quokka-package-check}"
fresh=0
releases=()
for arg in "$@"; do
    case "$arg" in
    --fresh) fresh=1 ;;
    bookworm|trixie) releases+=("$arg") ;;
    *) echo "usage: bash scripts/check-package-install.sh [--fresh] [bookworm] [trixie]" >&2; exit 2 ;;
    esac
done
[ ${#releases[@]} -gt 0 ] || releases=(bookworm trixie)
if [ "$(id -u)" -ne 0 ]; then
    exec sudo QUOKKA_PKG_ROOTS="$roots" QUOKKA_DEBIAN_MIRROR="${QUOKKA_DEBIAN_MIRROR:-}" bash "$0" "$@"
fi
case "$roots" in
"$here"|"$here"/*|/|"") echo "Refusing the folder '$roots' for the roots" >&2; exit 2 ;;
esac
. "$here/scripts/lib/chroot.sh"
need_mmdebstrap
command -v convert >/dev/null || echo "Note: without imagemagick the screenshots stay in X window dump form"
host_codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
commit="$(git -C "$here" rev-parse HEAD)"
[ -z "$(git -C "$here" status --porcelain --untracked-files=no)" ] \
    || echo "Note: uncommitted changes are not in the package; building commit $commit"
mkdir -p "$roots"

# Builds the package of the committed HEAD for a release; prints the .deb's path.
build_package() {
    local release="$1" root="$roots/$1-build" out="$roots/$1-deb"
    rm -rf --one-file-system "$out"
    mkdir -p "$out"
    if [ "$release" = "$host_codename" ]; then
        rm -rf --one-file-system "$out/src"
        git clone --quiet --no-checkout "$here" "$out/src"
        git -C "$out/src" checkout --quiet --detach "$commit"
        bash "$out/src/scripts/quokka.sh" package >&2 || return 1
        cp "$out"/src/build-deb/quokka_*.deb "$out/"
    else
        if [ "$fresh" -eq 1 ] || [ ! -f "$root/.quokka-root-ready" ]; then
            rm -rf --one-file-system "$root"
            echo "Making a $release build root in $root" >&2
            make_root "$release" "$root" --include=git,ca-certificates >&2 || return 1
            touch "$root/.quokka-root-ready"
        fi
        rm -rf --one-file-system "$root/root/quokka"
        git clone --quiet --no-checkout "$here" "$root/root/quokka"
        git -C "$root/root/quokka" checkout --quiet --detach "$commit"
        # The mounts end with this subshell (it runs in a command substitution), however it ends.
        trap unmount_all EXIT
        mount_system "$root"
        in_root "$root" bash -c 'cd /root/quokka && bash scripts/quokka.sh package' >&2 || { unmount_all; return 1; }
        unmount_all
        cp "$root"/root/quokka/build-deb/quokka_*.deb "$out/"
    fi
    ls "$out"/quokka_*.deb
}

# Every path in the root but the ones that change on their own (apt's lists and caches, logs, the home
# folders, dpkg's own backups).
snapshot() {
    (cd "$1" && find . -xdev \( -path ./proc -o -path ./dev -o -path ./sys -o -path ./tmp -o -path ./run \
        -o -path ./home -o -path ./root -o -path ./var/cache -o -path ./var/lib/apt -o -path ./var/log \
        -o -path ./var/tmp \) -prune -o -print | grep -v -E '^\./var/lib/dpkg/[^/]*-old$|^\./etc/ld\.so\.cache$' | sort)
}

check_release() {
    local release="$1" base="$roots/$1-minbase.tar" root="$roots/$1-install" deb failures=0
    echo "=== $release ==="
    deb="$(build_package "$release" | tail -1)" || true
    [ -f "$deb" ] || { echo "FAIL ($release): the package was not built"; return 1; }
    echo "Package: $deb"
    dpkg-deb --field "$deb" Depends
    if [ "$fresh" -eq 1 ] || [ ! -f "$base" ]; then
        echo "Making a minimal $release base in $base"
        make_root "$release" "$base" || { echo "FAIL ($release): cannot make the base root"; return 1; }
    fi
    rm -rf --one-file-system "$root"
    mkdir -p "$root"
    tar -C "$root" -xf "$base" || { echo "FAIL ($release): cannot unpack $base"; return 1; }
    mount_system "$root"
    # What the check itself needs (a virtual display, a window lister, a screen dump) and an ordinary user,
    # before the first snapshot, so that only the package's own traces count. A minimal root has no init
    # system, and every booted Debian has systemd-sysv and dbus; apt never removes systemd-sysv again (it is
    # protected), so without them the purge would leave it and what it brought, which is not Quokka's doing.
    in_root "$root" apt-get update -qq
    in_root "$root" apt-get install -y -qq --no-install-recommends xvfb xauth x11-utils x11-apps xdotool procps \
        systemd-sysv dbus >/dev/null
    in_root "$root" useradd --create-home --shell /bin/bash person
    snapshot "$root" >"$roots/$release-before.txt"
    in_root "$root" dpkg-query -W -f '${Package}\n' | sort >"$roots/$release-packages-before.txt"

    cp "$deb" "$root/tmp/"
    if ! in_root "$root" apt-get install -y -q --no-install-recommends "/tmp/$(basename "$deb")" >"$roots/$release-install.log" 2>&1; then
        tail -30 "$roots/$release-install.log"
        echo "FAIL ($release): apt-get install of the package failed"
        return 1
    fi
    in_root "$root" dpkg-query -W -f '${Package}\n' | sort >"$roots/$release-packages-after.txt"
    local added
    added="$(comm -13 "$roots/$release-packages-before.txt" "$roots/$release-packages-after.txt")"
    echo "apt-get install added $(echo "$added" | wc -l) packages"
    if echo "$added" | grep -E -- '-dev$|^(cmake|ninja-build|ccache|g\+\+(-[0-9]+)?|gcc(-[0-9]+)?|build-essential|dpkg-dev|clang.*|lintian)$'; then
        echo "FAIL ($release): the package pulled in packages that only building needs"; failures=$((failures + 1))
    fi

    # The installed program, as an ordinary user. The web engine's sandbox cannot start inside a chroot
    # (the kernel refuses new user namespaces there), so this test run turns it off.
    rm -f "$root/tmp/quokka-shot.xwd"
    in_root "$root" su person -c 'export QTWEBENGINE_DISABLE_SANDBOX=1 QT_ACCESSIBILITY=0
        xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "
            quokka > /tmp/quokka-run.log 2>&1 &
            pid=\$!
            for i in \$(seq 120); do
                xdotool search --onlyvisible --name \"^Quokka\$\" >/dev/null 2>&1 && break
                sleep 0.5
            done
            win=\$(xdotool search --onlyvisible --name \"^Quokka\$\" | head -1)
            if [ -z \"\$win\" ]; then echo NO-MAIN-WINDOW; kill \$pid; exit 1; fi
            echo MAIN-WINDOW \$win
            xprop -id \$win WM_CLASS
            echo window icon sizes: \$(xprop -id \$win _NET_WM_ICON | grep -o \"Icon ([0-9]* x [0-9]*)\")
            # a browser window (Ctrl+N) starts the web engine page process
            xdotool windowfocus --sync \$win key ctrl+n
            for i in \$(seq 60); do pgrep -f QtWebEngineProcess >/dev/null && break; sleep 0.5; done
            pgrep -f QtWebEngineProcess >/dev/null && echo WEB-ENGINE-STARTED || echo NO-WEB-ENGINE
            sleep 3
            xwd -root -silent > /tmp/quokka-shot.xwd
            kill \$pid; wait \$pid 2>/dev/null; true"' | tee "$roots/$release-run.txt"
    grep -q '^MAIN-WINDOW' "$roots/$release-run.txt" || { echo "FAIL ($release): no main window"; cat "$root/tmp/quokka-run.log"; failures=$((failures + 1)); }
    grep -q 'Icon (16 x 16).*Icon (32 x 32)' "$roots/$release-run.txt" \
        || { echo "FAIL ($release): the window does not offer its icon's small sizes"; failures=$((failures + 1)); }
    grep -q '^WEB-ENGINE-STARTED' "$roots/$release-run.txt" || { echo "FAIL ($release): the web engine did not start"; cat "$root/tmp/quokka-run.log"; failures=$((failures + 1)); }
    if [ -s "$root/tmp/quokka-shot.xwd" ]; then
        if command -v convert >/dev/null; then
            convert "xwd:$root/tmp/quokka-shot.xwd" "$roots/$release-quokka.png" && echo "Screenshot: $roots/$release-quokka.png"
        else
            cp "$root/tmp/quokka-shot.xwd" "$roots/$release-quokka.xwd"
        fi
    fi
    [ -d "$root/home/person/.local/share/quokka" ] && echo "The user's data folder was made: /home/person/.local/share/quokka"

    in_root "$root" apt-get purge -y -q quokka >"$roots/$release-purge.log" 2>&1
    # apt keeps an automatically installed package that an installed one merely recommends or suggests
    # (systemd recommends libpam-systemd, which came with the package's dependencies). Everything in the
    # root before the install came without recommends, so only what the package brought can go here.
    in_root "$root" apt-get autoremove --purge -y -q -o APT::AutoRemove::RecommendsImportant=false \
        -o APT::AutoRemove::SuggestsImportant=false >>"$roots/$release-purge.log" 2>&1
    snapshot "$root" >"$roots/$release-after.txt"
    in_root "$root" dpkg-query -W -f '${Package}\n' | sort >"$roots/$release-packages-purged.txt"
    diff -u "$roots/$release-before.txt" "$roots/$release-after.txt" >"$roots/$release-left.diff"
    # The package's own files, and anything named after it, must all be gone.
    dpkg-deb --contents "$deb" | awk '{ print $6 }' | sed 's|/$||' | sort >"$roots/$release-package-files.txt"
    local left
    left="$(sed -n 's/^+//p' "$roots/$release-left.diff" | grep -v '^++' | grep -Fx -f "$roots/$release-package-files.txt";
            sed -n 's/^+//p' "$roots/$release-left.diff" | grep -v '^++' | grep -i quokka)"
    if [ -n "$left" ]; then
        echo "FAIL ($release): purging left the package's files:"; echo "$left" | sort -u | head -40; failures=$((failures + 1))
    fi
    if grep -q '^-\./' "$roots/$release-left.diff"; then
        echo "FAIL ($release): files that were there before are gone:"; grep '^-\./' "$roots/$release-left.diff" | head -20
        failures=$((failures + 1))
    fi
    # Dependencies' own maintainer scripts (dbus, systemd's helpers) may leave state that is not Quokka's.
    if grep -q '^+\./' "$roots/$release-left.diff"; then
        echo "Left by the dependencies' maintainer scripts, not by the package:"
        grep '^+\./' "$roots/$release-left.diff" | sed 's/^+/  /'
    fi
    if ! cmp -s "$roots/$release-packages-before.txt" "$roots/$release-packages-purged.txt"; then
        echo "FAIL ($release): packages left after purge and autoremove:"
        comm -13 "$roots/$release-packages-before.txt" "$roots/$release-packages-purged.txt"; failures=$((failures + 1))
    fi
    unmount_all
    [ $failures -eq 0 ] && echo "PASS ($release): installed, started, purged without a trace"
    return $failures
}

status=0
for release in "${releases[@]}"; do
    check_release "$release" || status=1
done
exit $status
