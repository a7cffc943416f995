#!/usr/bin/env bash
# Runs the README's test command on a fresh Debian 13 (trixie) inside a chroot, from this machine.
#   bash scripts/check-debian13.sh [--fresh]
# The chroot is made with mmdebstrap from the Debian mirror this machine's apt uses (or $QUOKKA_DEBIAN_MIRROR),
# kept in $QUOKKA_DEB13_ROOT (default /var/tmp/quokka-debian13) and reused by later runs; --fresh makes it anew.
# Each run copies in a fresh git clone of the committed HEAD (uncommitted changes are not tested), mounts
# /proc, /dev, /dev/shm and this machine's /tmp, runs `bash scripts/quokka.sh test` as root inside, and
# unmounts on exit.
# Needs root (it asks sudo otherwise); the set-up inside installs the packages of scripts/debian-packages.txt.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
root="${QUOKKA_DEB13_ROOT:-/var/tmp/quokka-debian13}"
suite=trixie
fresh=0
for arg in "$@"; do
    case "$arg" in
    --fresh) fresh=1 ;;
    *) echo "usage: bash scripts/check-debian13.sh [--fresh]" >&2; exit 2 ;;
    esac
done

if [ "$(id -u)" -ne 0 ]; then
    exec sudo QUOKKA_DEB13_ROOT="$root" QUOKKA_DEBIAN_MIRROR="${QUOKKA_DEBIAN_MIRROR:-}" bash "$0" "$@"
fi
case "$root" in
"$here"|"$here"/*) echo "The chroot must live outside the source tree: $root" >&2; exit 2 ;;
/|"") echo "Refusing the chroot folder '$root'" >&2; exit 2 ;;
esac

. "$here/scripts/lib/chroot.sh"
still_mounted() { findmnt -rn -o TARGET | grep -q "^$root/" ; }

if still_mounted; then
    echo "Something is still mounted below $root (another run?); stopping." >&2
    exit 1
fi

if [ "$fresh" -eq 1 ] || [ ! -f "$root/.quokka-chroot-ready" ]; then
    need_mmdebstrap
    rm -rf --one-file-system "$root"
    echo "Making a Debian 13 ($suite) root in $root from $mirror"
    make_root "$suite" "$root"
    touch "$root/.quokka-chroot-ready"
fi

# A fresh clone of what is committed here, as someone who follows the README would get it.
commit="$(git -C "$here" rev-parse HEAD)"
if [ -n "$(git -C "$here" status --porcelain --untracked-files=no)" ]; then
    echo "Note: uncommitted changes are not tested; testing commit $commit"
fi
rm -rf --one-file-system "$root/root/quokka"
git clone --quiet --no-checkout "$here" "$root/root/quokka"
git -C "$root/root/quokka" checkout --quiet --detach "$commit"

mount_system "$root"
# The chroot shares this machine's network, and so the X servers' abstract sockets: with this machine's
# /tmp (where xvfb-run looks for the X lock files) its virtual displays never take a number in use here.
mount_in "$root/tmp" --bind /tmp

echo "Testing commit $commit on Debian 13 ($suite) in $root"
set +e
in_root "$root" TERM="${TERM:-dumb}" bash -c 'cd /root/quokka && bash scripts/quokka.sh test'
status=$?
set -e
echo "Debian 13 check: scripts/quokka.sh test exited with $status"
exit "$status"
