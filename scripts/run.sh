#!/usr/bin/env bash
# Builds gulvor-cleanup.exe and runs it under Wine as a user would: in a
# scratch prefix that holds a sample registration of the control, printing
# the control's keys before and after.
#
#   scripts/run.sh                      scratch prefix; the notice on your display, or
#                                       with no display under Xvfb, saved as a picture
#   scripts/run.sh --screenshot FILE    where to save the picture (default build/notice.png)
#   scripts/run.sh --user-prefix        run in $WINEPREFIX (or ~/.wine) instead: it
#                                       removes the control's registration from there
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
shot=$root/build/notice.png
user_prefix=
while [ $# -gt 0 ]; do
    case "$1" in
    --screenshot) shot=$(realpath -m "$2"); shift 2 ;;
    --user-prefix) user_prefix=1; shift ;;
    *) echo "usage: $0 [--screenshot FILE] [--user-prefix]" >&2; exit 2 ;;
    esac
done

scripts/setup.sh build wine
. tests/wine/session.sh
scratch_session
build_for_wine "$root"
echo "executable: $exe"

headless=
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    start_display
fi

if [ -n "$user_prefix" ]; then
    export WINEPREFIX=${WINEPREFIX:-$HOME/.wine}
    echo "prefix: $WINEPREFIX (yours)"
else
    # Only a scratch prefix gets a wineserver of ours, stopped again at the end.
    export WINEPREFIX=$work/prefix WINEARCH=$arch
    echo "prefix: scratch, with a sample registration"
    mkdir -p "$WINEPREFIX"
    start_server
    wine_run wineboot -i
    for fixture in neighbours registration; do
        wine_run regedit /s "$(winpath "$root/tests/fixtures/$fixture.reg")"
    done
fi

show_keys() {
    for key in 'HKCR\QUILB.ProcessCtrl.1' 'HKCR\CLSID\{4D081283-28CB-11CF-AB30-524153480000}' \
        'HKCR\TypeLib\{4D081280-28CB-11CF-AB30-524153480000}'; do
        "$loader" reg query "$key" /s </dev/null 2>/dev/null | tr -d '\r' | grep '^HKEY' || echo "$key: not there"
    done
}
echo "--- the control's keys before"
show_keys

if [ -z "$headless" ]; then
    echo "--- the notice is on your display; press OK"
    status=0
    "$loader" "$exe" </dev/null >/dev/null 2>&1 || status=$?
    echo "exit status: $status"
else
    # A virtual desktop draws the window frame and caption, as Windows would.
    "$loader" explorer /desktop=GULVOR,480x180 "$exe" </dev/null >/dev/null 2>&1 &
    desktop=$(timeout 60 xdotool search --sync --name '^GULVOR - Wine desktop$' | head -n 1)
    timeout 60 xdotool search --sync --onlyvisible --name '^GULVOR$' >/dev/null
    sleep 1
    mkdir -p "$(dirname "$shot")"
    import -window "$desktop" "$shot"
    press_ok
    sleep 1
    echo "--- no display: the notice ran under Xvfb, OK was pressed; picture: $shot"
fi

echo "--- the control's keys after"
show_keys
