#!/usr/bin/env bash
# Runs the Windows executable under Wine on a private Xvfb display, in a
# scratch prefix, and checks what it did to a real Win32 registry.
#
#   harness.sh prefix TEMPLATE EXE             build the prefix that scenarios copy
#   harness.sh scenario NAME TEMPLATE EXE HELPERS
#
# Exits 77 (skipped) where this machine cannot run the executable's kind of code.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
fixtures=$here/../fixtures
export WINEDEBUG=-all
# No mono or gecko prompts; no menu entries written outside the prefix.
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
unset DISPLAY

die() { echo "FAIL: $*" >&2; exit 1; }

pick_loader() { # pick_loader EXE: sets loader and arch for the executable's machine type
    if i686-w64-mingw32-objdump -f "$1" 2>/dev/null | grep -q 'pei-i386'; then
        loader=/usr/lib/wine/wine arch=win32
    else
        loader=/usr/lib/wine/wine64 arch=win64
    fi
    if ! "$loader" --version >/dev/null 2>&1; then
        echo "SKIP: $loader cannot run on this machine (its kernel runs no code of that kind)" >&2
        exit 77
    fi
}

xvfb_pid= server_pid= work=
stop_server() { # the registry reaches the prefix's files when the server ends
    [ -n "$server_pid" ] || return 0
    WINEPREFIX=$WINEPREFIX /usr/lib/wine/wineserver -k >/dev/null 2>&1
    for _ in $(seq 100); do kill -0 "$server_pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=
}

cleanup() {
    set +e
    stop_server
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
    [ -n "$work" ] && [ -z "${KEEP_WORK:-}" ] && rm -rf "$work"
}
trap cleanup EXIT

start_display() {
    # The display must exist before the wineserver, or every message box fails.
    local fifo=$work/display
    mkfifo "$fifo"
    Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$fifo" </dev/null >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    read -r -t 30 number <"$fifo" || die "Xvfb did not start"
    export DISPLAY=:$number
}

start_server() {
    /usr/lib/wine/wineserver -f -p </dev/null >"$work/wineserver.log" 2>&1 &
    server_pid=$!
}

wine_run() { # wine_run PROGRAM ARGS...: output to the work folder, never to a pipe we wait on
    "$loader" "$@" </dev/null >>"$work/wine.log" 2>&1
}

winpath() { printf 'Z:%s' "${1//\//\\}"; }

export_registry() { # export_registry FILE
    wine_run regedit /e "$(winpath "$1")"
    [ -s "$1" ] || die "registry export to $1 failed"
}

case "${1:-}" in
prefix)
    template=$2 exe=$3
    pick_loader "$exe"
    work=$(mktemp -d)
    rm -rf "$template"
    mkdir -p "$template"
    export WINEPREFIX=$template WINEARCH=$arch
    start_display
    start_server
    wine_run wineboot -i
    # Trace only the program's four calls; unmanaged windows close without a 2 s wait.
    wine_run reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d 'RegOpenKeyExA;RegDeleteKeyA;RegCloseKey;MessageBoxA' /f
    wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    stop_server
    grep -q RelayInclude "$template/user.reg" || die "wineboot made no prefix"
    echo "prefix ready: $template"
    ;;
scenario)
    name=$2 template=$3 exe=$4 helpers=$5
    pick_loader "$exe"
    line=$(grep -E "^$name[[:space:]]*\|" "$here/scenarios.txt") || die "no scenario $name"
    IFS='|' read -r _ fixture_list setup arg_text remain notice runs <<<"$line"
    [ -f "$template/system.reg" ] || die "no prefix at $template"

    work=$(mktemp -d)
    export WINEPREFIX=$work/prefix
    # Hard links for the large, never-written files; real copies of the registry.
    cp -al "$template" "$WINEPREFIX"
    for hive in "$WINEPREFIX"/*.reg; do cp --remove-destination "$template/${hive##*/}" "$hive"; done
    start_display
    start_server

    for fixture in $fixture_list; do
        wine_run regedit /s "$(winpath "$fixtures/$fixture.reg")"
    done
    IFS=',' read -r -a steps <<<"$setup"
    for step in "${steps[@]}"; do
        read -r verb key sddl <<<"$step"
        case "$verb" in
        lock) wine_run "$helpers/set_key_security.exe" "$key" "$sddl" || die "cannot lock $key" ;;
        add) wine_run reg add "HKCR\\$key" /f || die "cannot add $key" ;;
        "") ;;
        *) die "unknown set-up step: $step" ;;
        esac
    done
    eval "args=($arg_text)"
    export_registry "$work/before.reg"

    # Where the program's image lies: only calls returning there are its own.
    image=$(i686-w64-mingw32-objdump -p "$exe" 2>/dev/null || x86_64-w64-mingw32-objdump -p "$exe")
    image=$(awk '$1 == "ImageBase" {b = $2} $1 == "SizeOfImage" {s = $2} END {print b ":" s}' <<<"$image")
    for run in $(seq "${runs// /}"); do
        # A second message box in one Wine session may stay unmapped under Xvfb:
        # each run gets a fresh session, as a later double-click after a new logon would.
        if [ "$run" -gt 1 ]; then stop_server; start_server; fi
        WINEDEBUG=+relay "$loader" "$exe" "${args[@]}" </dev/null >"$work/program.out" 2>"$work/relay.txt" &
        program=$!
        "$loader" "$helpers/read_notice.exe" 30000 </dev/null >"$work/notice.txt" 2>>"$work/wine.log" || true
        tr -d '\r' <"$work/notice.txt" >"$work/notice.clean"
        # Press OK as a user would: the Return key on the box's own window.
        for window in $(timeout 10 xdotool search --sync --onlyvisible --name '^GULVOR$' 2>/dev/null); do
            xdotool key --window "$window" Return 2>/dev/null || true
        done
        for _ in $(seq 300); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
        if kill -0 "$program" 2>/dev/null; then
            kill -9 "$program"
            wait "$program" 2>/dev/null || true
            cat "$work/notice.clean" >&2
            die "run $run: the program did not end within 30 s of the notice"
        fi
        status=0
        wait "$program" || status=$?
        echo "run $run: exit status $status; $(tr '\n' ' ' <"$work/notice.clean")"
        python3 "$here/verify.py" trace "$here/plan_rows.txt" "$work/relay.txt" "${notice// /}" "$image" ||
            die "run $run: the calls that reached Wine are not the expected ones"
        python3 "$here/verify.py" notice "$work/notice.clean" "${notice// /}" ||
            die "run $run: the notice is not the expected one"
        [ "$status" -eq 0 ] || die "run $run: exit status $status, expected 0"
    done

    export_registry "$work/after.reg"
    python3 "$here/verify.py" registry "$here/plan_rows.txt" "$work/before.reg" "$work/after.reg" "$remain" ||
        die "the registry changed other than expected"
    echo "PASS: $name"
    ;;
*)
    echo "usage: $0 prefix TEMPLATE EXE | scenario NAME TEMPLATE EXE HELPERS" >&2
    exit 2
    ;;
esac
