#!/usr/bin/env bash
# Benchmark, not a test: under Wine on this machine, in one run, side by side,
# each on a freshly registered control:
#   - the program, from start until its notice is on screen, against a bare
#     program that shows the same box and nothing else;
#   - the same removal done with three `reg delete /f` commands, and with
#     `regedit /s` and a removal file;
#   - the program's registry calls (relay trace), for a complete registration
#     and for none, against the least that the design needs.
# Usage: bench/cost.sh [--vm] [RUNS]   (default 10)
#   --vm: the 32-bit build in the Wine test machine (tests/wine/vm), for a
#         kernel that runs no 32-bit code; its times are under emulation.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if [ "${1:-}" = --vm ]; then
    shift
    scripts/setup.sh build wine wine-vm >/dev/null
    cmake --preset windows >/dev/null
    cmake --build --preset windows -j 2 >/dev/null
    state=$root/build/windows/bench-vm
    tests/wine/vm/vm.sh available || { echo "the Wine test machine is not built: this kernel runs 32-bit code, run bench/cost.sh" >&2; exit 1; }
    tests/wine/vm/vm.sh start "$state" "$root"
    trap 'tests/wine/vm/vm.sh stop "$state"' EXIT
    tests/wine/vm/vm.sh run "$state" bench/cost.sh "$@"
    exit
fi
runs=${1:-10}
# The test machine has everything, and no network to fetch more with.
[ -n "${GULVOR_IN_VM:-}" ] || scripts/setup.sh build wine >/dev/null

. tests/wine/session.sh
scratch_session
build_for_wine "$root"
start_display
export WINEPREFIX=$work/prefix WINEARCH=$arch
mkdir -p "$WINEPREFIX"
start_server
w() { wine_run "$@"; }
# Every timed run gets a fresh session, warmed up so that its start is not timed.
fresh_session() {
    restart_server
    w reg query 'HKCU\Software\Wine' || true
}
w wineboot -i
w reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
w reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d 'RegOpenKeyExA;RegDeleteKeyA;RegCloseKey;MessageBoxA' /f
register() { w regedit /s "$(winpath "$root/tests/fixtures/registration.reg")"; }
now() { date +%s%N; }

# Seconds from start until the notice is visible; then OK, and wait for the end.
time_to_notice() { # time_to_notice EXE
    local start end pid
    start=$(now)
    "$loader" "$1" </dev/null >/dev/null 2>&1 &
    pid=$!
    until xdotool search --onlyvisible --name '^GULVOR$' >/dev/null 2>&1; do
        sleep 0.005
        [ $(($(now) - start)) -lt 60000000000 ] || { echo "no notice from $1 within 60 s" >&2; exit 1; }
    done
    end=$(now)
    press_ok
    wait "$pid" || true
    awk -v ns=$((end - start)) 'BEGIN { printf "%.4f\n", ns / 1e9 }'
}
time_command() { # time_command CMD...
    local start end
    start=$(now)
    "$@"
    end=$(now)
    awk -v ns=$((end - start)) 'BEGIN { printf "%.4f\n", ns / 1e9 }'
}
reg_deletes() {
    w reg delete 'HKCR\QUILB.ProcessCtrl.1' /f
    w reg delete 'HKCR\CLSID\{4D081283-28CB-11CF-AB30-524153480000}' /f
    w reg delete 'HKCR\TypeLib\{4D081280-28CB-11CF-AB30-524153480000}' /f
}
regedit_removal() { w regedit /s "$(winpath "$root/bench/removal.reg")"; }

: >"$work/times"
for _ in $(seq "$runs"); do
    register
    fresh_session
    echo "program $(time_to_notice "$exe")" >>"$work/times"
    fresh_session
    echo "bare $(time_to_notice "$build/bench/bare_notice.exe")" >>"$work/times"
    register
    echo "reg $(time_command reg_deletes)" >>"$work/times"
    register
    echo "regedit $(time_command regedit_removal)" >>"$work/times"
done

count_calls() { # count_calls: the program's own calls in one traced run
    WINEDEBUG=+relay "$loader" "$exe" </dev/null >/dev/null 2>"$work/relay.txt" &
    local pid=$!
    local waited=0
    until xdotool search --onlyvisible --name '^GULVOR$' >/dev/null 2>&1; do
        sleep 0.01
        waited=$((waited + 1))
        [ "$waited" -lt 6000 ] || { echo "no notice within 60 s" >&2; exit 1; }
    done
    press_ok
    wait "$pid" || true
    python3 tests/wine/verify.py count "$work/relay.txt" "$image"
}
image=$(image_range "$exe")
register
fresh_session
complete_calls=$(count_calls)
fresh_session
none_calls=$(count_calls)

python3 - "$work/times" "$runs" "$complete_calls" "$none_calls" <<'PY'
import statistics, sys
times = {}
for line in open(sys.argv[1]):
    name, value = line.split()
    times.setdefault(name, []).append(float(value))
runs, complete, none = sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
print(f"\nWall time over {runs} runs, each on a freshly registered control (seconds)\n")
print(f"| {'what':<44} | {'min':>6} | {'median':>6} | {'max':>6} | {'median ratio':>12} |")
print(f"|{'-'*46}|{'-'*8}|{'-'*8}|{'-'*8}|{'-'*14}|")
labels = {
    "program": "gulvor-cleanup.exe, start to notice",
    "bare": "bare program, start to the same notice",
    "reg": "three `reg delete /f` commands",
    "regedit": "`regedit /s` with a removal file",
}
base = statistics.median(times["program"])
for key, label in labels.items():
    values = times[key]
    med = statistics.median(values)
    print(f"| {label:<44} | {min(values):6.3f} | {med:6.3f} | {max(values):6.3f} | {med / base:11.2f}x |")
print("\n(ratios against the program's median)\n")
# Deleting: one open, one delete, one close per row; checking: at least one
# read-only open per row; then one message box.
least_complete, least_none = 17 * 3 + 17 + 1, 17 + 17 + 1
print("Registry and message-box calls of one run (relay trace)\n")
print("| registration | calls | least the design needs | ratio |")
print("|---|---|---|---|")
print(f"| complete | {complete} | {least_complete} | {complete / least_complete:.2f} |")
print(f"| none | {none} | {least_none} | {none / least_none:.2f} |")
PY
