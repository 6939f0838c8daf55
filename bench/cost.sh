#!/usr/bin/env bash
# Benchmark, not a test: under Wine on this machine, in one run, side by side,
# each on a freshly registered control:
#   - the program, from start until its notice is on screen, against a bare
#     program that shows the same box and nothing else;
#   - the same removal done with three `reg delete /f` commands, and with
#     `regedit /s` and a removal file;
#   - the program's registry calls (relay trace), for a complete registration
#     and for none, against the least that the design needs.
# Usage: bench/cost.sh [RUNS]   (default 10)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD runs=${1:-10}
scripts/setup.sh build wine >/dev/null

preset=windows loader=/usr/lib/wine/wine arch=win32
if ! "$loader" --version >/dev/null 2>&1; then
    preset=windows64 loader=/usr/lib/wine/wine64 arch=win64
    echo "note: no 32-bit code runs on this machine; measuring the 64-bit build under wine64"
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j 2 >/dev/null
build=$root/build/$preset

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
work=$(mktemp -d) xvfb_pid= server_pid=
cleanup() {
    set +e
    /usr/lib/wine/wineserver -k >/dev/null 2>&1
    [ -n "$server_pid" ] && wait "$server_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
mkfifo "$work/display"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" </dev/null >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 30 number <"$work/display"
export DISPLAY=:$number WINEPREFIX=$work/prefix WINEARCH=$arch
w() { "$loader" "$@" </dev/null >/dev/null 2>&1; }
# A message box shown after another one in the same Wine session may stay
# unmapped under Xvfb, so every timed run gets a fresh, warmed-up session.
fresh_session() {
    if [ -n "$server_pid" ]; then
        /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
        wait "$server_pid" 2>/dev/null || true
    fi
    /usr/lib/wine/wineserver -f -p </dev/null >/dev/null 2>&1 &
    server_pid=$!
    w reg query 'HKCU\Software\Wine' || true
}
mkdir -p "$WINEPREFIX"
w wineboot -i
/usr/lib/wine/wineserver -w
fresh_session
w reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
w reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d 'RegOpenKeyExA;RegDeleteKeyA;RegCloseKey;MessageBoxA' /f
winpath() { printf 'Z:%s' "${1//\//\\}"; }
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
    for window in $(xdotool search --name '^GULVOR$'); do xdotool key --window "$window" Return 2>/dev/null || true; done
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
    echo "program $(time_to_notice "$build/gulvor-cleanup.exe")" >>"$work/times"
    fresh_session
    echo "bare $(time_to_notice "$build/bench/bare_notice.exe")" >>"$work/times"
    register
    echo "reg $(time_command reg_deletes)" >>"$work/times"
    register
    echo "regedit $(time_command regedit_removal)" >>"$work/times"
done

count_calls() { # count_calls: the program's own calls in one traced run
    WINEDEBUG=+relay "$loader" "$build/gulvor-cleanup.exe" </dev/null >/dev/null 2>"$work/relay.txt" &
    local pid=$!
    local waited=0
    until xdotool search --onlyvisible --name '^GULVOR$' >/dev/null 2>&1; do
        sleep 0.01
        waited=$((waited + 1))
        [ "$waited" -lt 6000 ] || { echo "no notice within 60 s" >&2; exit 1; }
    done
    for window in $(xdotool search --name '^GULVOR$'); do xdotool key --window "$window" Return 2>/dev/null || true; done
    wait "$pid" || true
    python3 - "$work/relay.txt" <<'PY'
import re, sys
depth = count = 0
for line in open(sys.argv[1], errors="replace"):
    m = re.match(r"^[0-9a-f]+:(Call|Ret) +\w+\.(RegOpenKeyExA|RegDeleteKeyA|RegCloseKey|MessageBoxA)\(", line)
    if m:
        if m.group(1) == "Call":
            count += depth == 0
            depth += 1
        else:
            depth -= 1
print(count)
PY
}
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
