#!/usr/bin/env bash
# Runs the Windows executable under Wine on a private Xvfb display, in a
# scratch prefix, and checks what it did to a real Win32 registry.
#
#   harness.sh prefix TEMPLATE EXE own|win64   build the prefix that scenarios copy
#   harness.sh scenario NAME TEMPLATE EXE HELPERS
#   harness.sh finish TEMPLATE                  stop the Wine test machine, if one ran
#
# Where this machine's kernel runs no 32-bit code, the steps run on the Wine
# test machine (tests/wine/vm) instead; where that is not built either, they
# exit 77 (skipped).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
fixtures=$here/../fixtures
unset DISPLAY
work=
. "$here/session.sh"

die() { echo "FAIL: $*" >&2; exit 1; }

root=$(cd "$here/../.." && pwd)
vm=$here/vm/vm.sh
vm_state() { echo "$(dirname "$1")/wine-vm"; }

# Runs this step here, or hands it over whole to the Wine test machine; there
# the template lives on the guest's own disk, where its copies can link to it.
need_loader() { # need_loader EXE TEMPLATE ARGUMENTS...
    local exe=$1 template=$2 args
    shift 2
    pick_loader "$exe" && return 0
    [ -z "${GULVOR_IN_VM:-}" ] || die "$loader does not run on the Wine test machine either"
    if [ "$arch" != win32 ] || ! "$vm" available; then
        echo "SKIP: $loader cannot run on this machine (its kernel runs no code of that kind)" >&2
        exit 77
    fi
    [[ $exe == "$root"/* ]] || die "$exe is outside $root, which is all the test machine sees"
    args=("${@//"$template"//var/tmp/${template##*/}}")
    "$vm" start "$(vm_state "$template")" "$root" || die "the Wine test machine did not start"
    exec "$vm" run "$(vm_state "$template")" "$here/harness.sh" "${args[@]}"
}

cleanup() {
    set +e
    end_session
    [ -n "$work" ] && [ -z "${KEEP_WORK:-}" ] && rm -rf "$work"
}
trap cleanup EXIT

export_registry() { # export_registry FILE
    wine_run regedit /e "$(winpath "$1")"
    [ -s "$1" ] || die "registry export to $1 failed"
}

case "${1:-}" in
prefix)
    template=$2 exe=$3 kind=$4
    need_loader "$exe" "$template" "$@"
    # A 64-bit Windows is made, and its tools run, by the 64-bit loader.
    if [ "$kind" = win64 ]; then arch=win64 loader=/usr/lib/wine/wine64; fi
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
    need_loader "$exe" "$template" "$@"
    line=$(grep -E "^$name[[:space:]]*\|" "$here/scenarios.txt") || die "no scenario $name"
    IFS='|' read -r _ kind fixture_list setup arg_text remain notice runs <<<"$line"
    [ -f "$template/system.reg" ] || die "no prefix at $template"
    # The program always runs under its own loader. On a 64-bit Windows the
    # tools are 64-bit and see the whole registry; the program's fixtures go
    # in through the 32-bit regedit, into the 32-bit view the program sees.
    program_loader=$loader regedit=regedit view=own
    if [ "${kind// /}" = win64 ]; then
        [ "$arch" = win32 ] || die "$name is for the 32-bit program"
        loader=/usr/lib/wine/wine64 regedit='C:\windows\syswow64\regedit.exe' view=wow64
    fi

    work=$(mktemp -d)
    export WINEPREFIX=$work/prefix
    # Hard links for the large, never-written files; real copies of the registry.
    cp -al "$template" "$WINEPREFIX"
    for hive in "$WINEPREFIX"/*.reg; do cp --remove-destination "$template/${hive##*/}" "$hive"; done
    start_display
    start_server

    imported=() imported64=()
    for fixture in $fixture_list; do
        wine_run "$regedit" /s "$(winpath "$fixtures/$fixture.reg")"
        imported+=("$fixtures/$fixture.reg")
    done
    IFS=',' read -r -a steps <<<"$setup"
    for step in "${steps[@]}"; do
        read -r verb key sddl <<<"$step"
        case "$verb" in
        lock) wine_run "$helpers/set_key_security.exe" "$key" "$sddl" || die "cannot lock $key" ;;
        add) wine_run reg add "HKCR\\$key" /f || die "cannot add $key" ;;
        import64)
            [ "$view" = wow64 ] || die "import64 needs a 64-bit Windows"
            wine_run regedit /s "$(winpath "$fixtures/$key.reg")"
            imported64+=("$fixtures/$key.reg")
            ;;
        "") ;;
        *) die "unknown set-up step: $step" ;;
        esac
    done
    eval "args=($arg_text)"
    export_registry "$work/before.reg"
    python3 "$here/verify.py" fixtures "$work/before.reg" "$view" "${imported[@]}" &&
        python3 "$here/verify.py" fixtures "$work/before.reg" own "${imported64[@]}" ||
        die "the fixtures did not all reach the registry"

    image=$(image_range "$exe")
    for run in $(seq "${runs// /}"); do
        if [ "$run" -gt 1 ]; then restart_server; fi
        WINEDEBUG=+relay "$program_loader" "$exe" "${args[@]}" </dev/null >"$work/program.out" 2>"$work/relay.txt" &
        program=$!
        "$program_loader" "$helpers/read_notice.exe" 30000 </dev/null >"$work/notice.txt" 2>>"$work/wine.log" || true
        tr -d '\r' <"$work/notice.txt" >"$work/notice.clean"
        # Press OK as a user would: the Return key on the box's own window.
        timeout 10 xdotool search --sync --onlyvisible --name '^GULVOR$' >/dev/null 2>&1 || true
        press_ok
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
    python3 "$here/verify.py" registry "$here/plan_rows.txt" "$work/before.reg" "$work/after.reg" "$remain" "$view" ||
        die "the registry changed other than expected"
    echo "PASS: $name"
    ;;
finish)
    "$vm" stop "$(vm_state "$2")"
    ;;
*)
    echo "usage: $0 prefix TEMPLATE EXE own|win64 | scenario NAME TEMPLATE EXE HELPERS | finish TEMPLATE" >&2
    exit 2
    ;;
esac
