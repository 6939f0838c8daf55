# Sourced by the Wine scenarios, the run command and the benchmark: one Wine
# session on a private Xvfb display, started and stopped by process id.
# The caller sets `work` to a scratch folder of its own first, or has
# scratch_session make one.

export WINEDEBUG=-all
# No mono or gecko prompts; no menu entries written outside the prefix.
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"

xvfb_pid= server_pid=

# Sets loader and arch for an executable's machine type; fails where this
# machine's kernel cannot run that kind of code.
pick_loader() { # pick_loader EXE
    if i686-w64-mingw32-objdump -f "$1" 2>/dev/null | grep -q 'pei-i386'; then
        loader=/usr/lib/wine/wine arch=win32
    else
        loader=/usr/lib/wine/wine64 arch=win64
    fi
    "$loader" --version >/dev/null 2>&1
}

# Builds the 32-bit executable, or where no 32-bit code runs the 64-bit build
# of the same sources; sets build, exe, loader and arch.
build_for_wine() { # build_for_wine PROJECT-ROOT
    local preset
    if [ -n "${GULVOR_IN_VM:-}" ]; then # built by the host, which has the toolchain
        build=$1/build/windows exe=$1/build/windows/gulvor-cleanup.exe
        pick_loader "$exe"
        return
    fi
    for preset in windows windows64; do
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset" -j 2 >/dev/null
        build=$1/build/$preset exe=$1/build/$preset/gulvor-cleanup.exe
        pick_loader "$exe" && return 0
        echo "note: this machine cannot run 32-bit programs; using the 64-bit build under wine64" >&2
    done
    return 1
}

# A scratch folder for the session; both go when the script exits.
scratch_session() {
    work=$(mktemp -d)
    trap 'set +e; end_session; rm -rf "$work"' EXIT
}

start_display() {
    # The display must exist before the wineserver, or every message box fails.
    local number
    mkfifo "$work/display"
    Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" </dev/null >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    read -r -t 30 number <"$work/display" || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=:$number
}

start_server() {
    /usr/lib/wine/wineserver -f -p </dev/null >"$work/wineserver.log" 2>&1 &
    server_pid=$!
}

stop_server() { # the registry reaches the prefix's files when the server ends
    [ -n "$server_pid" ] || return 0
    /usr/lib/wine/wineserver -k >/dev/null 2>&1
    for _ in $(seq 100); do kill -0 "$server_pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=
}

# A second message box in one Wine session may stay unmapped under Xvfb, so
# each run that must see one gets a fresh session.
restart_server() {
    stop_server
    start_server
}

end_session() {
    stop_server
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
        xvfb_pid=
    fi
    return 0
}

wine_run() { # output to the work folder, never to a pipe anyone waits on
    "$loader" "$@" </dev/null >>"$work/wine.log" 2>&1
}

winpath() { printf 'Z:%s' "${1//\//\\}"; }

# Press OK as a user would: the Return key on the notice's own windows.
press_ok() {
    local window
    for window in $(xdotool search --name '^GULVOR$' 2>/dev/null); do
        xdotool key --window "$window" Return 2>/dev/null || true
    done
}

# The program's image as BASE:SIZE in hex: traced calls returning there are its own.
image_range() { # image_range EXE
    local headers
    headers=$(i686-w64-mingw32-objdump -p "$1" 2>/dev/null || x86_64-w64-mingw32-objdump -p "$1")
    awk '$1 == "ImageBase" {b = $2} $1 == "SizeOfImage" {s = $2} END {print b ":" s}' <<<"$headers"
}
