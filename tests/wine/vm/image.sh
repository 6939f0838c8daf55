#!/usr/bin/env bash
# Builds the Wine test machine: a Debian disk image with Wine (32- and 64-bit),
# Xvfb and xdotool, its kernel and initrd, for kernels that run no 32-bit code.
# Needs root (debootstrap, chroot).   Usage: image.sh DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=$1
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
packages=(linux-image-amd64 wine wine64 wine32:i386 xvfb xdotool python3 binutils-mingw-w64-i686)

stamp=$(cat "$here/image.sh" "$here/guest-init.sh" | sha256sum | cut -c1-16)
if [ "$(cat "$dir/stamp" 2>/dev/null)" = "$stamp" ]; then exit 0; fi

rootfs=$(mktemp -d) log=$(mktemp)
cleanup() {
    umount "$rootfs/dev/pts" "$rootfs/proc" 2>/dev/null || true
    rm -rf "$rootfs" "$log"
}
trap cleanup EXIT

quiet() { # the tools' chatter goes to a log, shown only when a step fails
    "$@" >>"$log" 2>&1 || { tail -30 "$log" >&2; echo "wine-vm: failed: $*" >&2; exit 1; }
}

echo "wine-vm: building the test machine's disk (a few minutes)" >&2
quiet debootstrap --variant=minbase bookworm "$rootfs" "$mirror"
mount -t proc proc "$rootfs/proc"
mount -t devpts devpts "$rootfs/dev/pts"
apt=(apt-get -qq -o APT::Sandbox::User=root)
quiet chroot "$rootfs" dpkg --add-architecture i386
quiet chroot "$rootfs" "${apt[@]}" update
quiet chroot "$rootfs" env DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y --no-install-recommends "${packages[@]}"
quiet chroot "$rootfs" "${apt[@]}" clean
rm -rf "$rootfs"/var/lib/apt/lists/*
umount "$rootfs/dev/pts" "$rootfs/proc"
install -m 0755 "$here/guest-init.sh" "$rootfs/sbin/gulvor-vm-init"

mkdir -p "$dir"
rm -f "$dir/stamp"
install -m 0644 "$rootfs"/boot/vmlinuz-* "$dir/vmlinuz"
install -m 0644 "$rootfs"/boot/initrd.img-* "$dir/initrd.img"
rm -f "$dir/disk.img"
quiet mke2fs -q -t ext4 -L wine-vm -d "$rootfs" "$dir/disk.img" 6G
chmod 0644 "$dir/disk.img"
echo "$stamp" >"$dir/stamp"
echo "wine-vm: ready in $dir" >&2
