# The Debian roots that the hand-run checks test Quokka in (sourced by scripts/check-*.sh; needs root
# and mmdebstrap). Every mount made with mount_in is undone when the script ends, however it ends.

# The Debian mirror and security mirror that this machine's apt already uses.
apt_uri() {
    apt-get indextargets --format '$(LABEL) $(SITE)' 'Created-By: Packages' 2>/dev/null \
        | awk -v label="$1" '$1 == label { print $2; exit }'
}
mirror="${QUOKKA_DEBIAN_MIRROR:-$(apt_uri Debian)}"
mirror="${mirror:-http://deb.debian.org/debian}"
security="$(apt_uri Debian-Security)"
security="${security:-${mirror%/debian}/debian-security}"

need_mmdebstrap() {
    command -v mmdebstrap >/dev/null || {
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap
    }
}

make_root() { # make_root RELEASE TARGET [mmdebstrap options]
    local release="$1" target="$2"
    shift 2
    mmdebstrap --variant=minbase --components=main "$@" "$release" "$target" \
        "deb $mirror $release main" "deb $mirror $release-updates main" "deb $security $release-security main"
}

mounted=()
unmount_all() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null || true
    done
    mounted=()
}
trap unmount_all EXIT
trap 'exit 130' INT TERM

mount_in() { # mount_in TARGET mount-arguments...
    local target="$1"
    shift
    mkdir -p "$target"
    mount "$@" "$target" && mounted+=("$target")
}

# What a program in the root needs of the system: /proc, /dev, shared memory and name resolution.
mount_system() { # mount_system ROOT
    mount_in "$1/proc" -t proc proc
    mount_in "$1/dev" --bind /dev
    mount_in "$1/dev/shm" -t tmpfs -o mode=1777,nosuid,nodev tmpfs
    cp -L /etc/resolv.conf "$1/etc/resolv.conf" 2>/dev/null || true
}

in_root() { # in_root ROOT [VAR=value...] COMMAND...
    local root="$1"
    shift
    chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"
}
