#!/usr/bin/env bash
# The Wine test machine: a Debian guest under QEMU, for hosts whose kernel
# runs no 32-bit code. It shares the project folder at the same path and runs
# the commands it is given there, one at a time.
#
#   vm.sh build                  build the machine's disk (as root), if not up to date
#   vm.sh available              is the machine's disk built?
#   vm.sh start STATE ROOT       boot it (if not running), sharing ROOT
#   vm.sh run STATE COMMAND...   run COMMAND in the guest, in this folder
#   vm.sh stop STATE             shut it down
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
image=/var/cache/gulvor-cleanup/wine-vm

running() { [ -f "$1/qemu.pid" ] && kill -0 "$(cat "$1/qemu.pid")" 2>/dev/null && [ -e "$1/jobs/ready" ]; }

case "${1:-}" in
build)
    exec "$here/image.sh" "$image"
    ;;
available)
    [ -f "$image/stamp" ] && command -v qemu-system-x86_64 >/dev/null
    ;;
start)
    state=$2 root=$3
    # Two steps that start it at once must not boot two guests on one job folder.
    mkdir -p "$(dirname "$state")"
    exec 9>"$state.lock"
    flock 9
    running "$state" && exit 0
    case "$root$state" in *[[:space:]]*) echo "wine-vm: paths with spaces are not supported" >&2; exit 1 ;; esac
    rm -rf "$state"
    mkdir -p "$state/jobs"
    # -snapshot: the guest starts from the same disk each time and never writes it.
    # TCG's SMAP makes the guest kernel fault on Wine's 32-bit processes; the guest does without it.
    qemu-system-x86_64 -accel kvm -accel tcg -machine q35 -cpu max,smap=off -smp 2 -m 2048 \
        -display none -serial "file:$state/console.log" -no-reboot -snapshot \
        -daemonize -pidfile "$state/qemu.pid" \
        -kernel "$image/vmlinuz" -initrd "$image/initrd.img" \
        -append "console=ttyS0 root=/dev/vda rw quiet panic=-1 init=/sbin/gulvor-vm-init gulvor.root=$root gulvor.jobs=$state/jobs" \
        -drive "file=$image/disk.img,format=raw,if=virtio" -nic none \
        -virtfs "local,path=$root,mount_tag=project,security_model=none" 2>"$state/qemu.err" 9>&- ||
        { cat "$state/qemu.err" >&2; exit 1; }
    for _ in $(seq 1500); do
        [ -e "$state/jobs/ready" ] && exit 0
        kill -0 "$(cat "$state/qemu.pid")" 2>/dev/null || break
        sleep 0.2
    done
    echo "wine-vm: the guest did not come up; its console:" >&2
    tail -30 "$state/console.log" >&2
    exit 1
    ;;
run)
    state=$2
    shift 2
    running "$state" || { echo "wine-vm: not running" >&2; exit 1; }
    job=$state/jobs/$(date +%s%N)
    {
        printf 'cd %q || exit 1\n' "$PWD"
        printf 'export LANG=%q\n' "${LANG:-C.UTF-8}"
        printf 'exec'
        printf ' %q' "$@"
        printf '\n'
    } >"$job.new"
    mv "$job.new" "$job.job"
    while [ ! -e "$job.rc" ]; do
        kill -0 "$(cat "$state/qemu.pid")" 2>/dev/null || { echo "wine-vm: the guest stopped" >&2; exit 1; }
        sleep 0.2
    done
    cat "$job.out"
    exit "$(cat "$job.rc")"
    ;;
stop)
    state=$2
    [ -f "$state/qemu.pid" ] || exit 0
    pid=$(cat "$state/qemu.pid")
    touch "$state/jobs/stop"
    for _ in $(seq 150); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
    kill -9 "$pid" 2>/dev/null || true
    rm -f "$state/qemu.pid"
    ;;
*)
    echo "usage: $0 build | available | start STATE ROOT | run STATE COMMAND... | stop STATE" >&2
    exit 2
    ;;
esac
