# Shared by the project's scripts: where things are, which Wine runs the
# tests, building, and the Wine and X services a run needs.

ZTOA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The module ships as a 32-bit DLL. Its tests run under 32-bit Wine; on a
# kernel that cannot execute 32-bit code at all, the same sources are built
# for x86_64 as well and the tests run under 64-bit Wine instead.
ztoa_runtime_arch() {
    if [ -n "${ZTOA_TEST_ARCH:-}" ]; then
        echo "$ZTOA_TEST_ARCH"
    elif ztoa_can_run i686; then
        echo i686
    else
        echo x86_64
    fi
}

# ztoa_configure_build ARCH RUNTIME_TESTS(ON|OFF) [TARGET...]: configures
# build/ARCH and builds the targets (all of them when none is named).
ztoa_configure_build() {
    local arch=$1 runtime=$2 dir="$ZTOA_ROOT/build/$1" targets=()
    shift 2
    [ $# -eq 0 ] || targets=(--target "$@")
    if [ ! -f "$dir/CMakeCache.txt" ] || ! grep -q "ZTOA_RUNTIME_TESTS:BOOL=$runtime" "$dir/CMakeCache.txt"; then
        cmake -S "$ZTOA_ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ZTOA_ROOT/cmake/$arch-w64-mingw32.cmake" \
            -DZTOA_RUNTIME_TESTS="$runtime" >"$dir.configure.log" 2>&1 \
            || { cat "$dir.configure.log" >&2; return 1; }
    fi
    cmake --build "$dir" -j "$(nproc)" "${targets[@]}" >"$dir.build.log" 2>&1 \
        || { grep -E 'error|Error' "$dir.build.log" | head -40 >&2; return 1; }
}

# ztoa_build_sortlines ARCH: brings build/ARCH's sortlines.exe and ZtoA.dll
# up to date with the sources. A no-op "cmake --build" costs a fifth of a
# second, so it runs only when a file that goes into the two is newer than
# the last build that succeeded; the stamp is taken before the build, so that
# an edit made while it runs is not missed.
ztoa_build_sortlines() {
    local arch=$1 dir="$ZTOA_ROOT/build/$1" stamp="$ZTOA_ROOT/build/$1/sortlines.stamp"
    if [ -f "$stamp" ] && [ -f "$dir/bin/sortlines.exe" ] && [ -f "$dir/bin/ZtoA.dll" ] \
            && [ -z "$(cd "$ZTOA_ROOT" && find CMakeLists.txt cmake common host plugin sort settings resources \
                       -newer "$stamp" -print -quit)" ]; then
        return 0
    fi
    mkdir -p "$dir"
    touch "$stamp.new"
    ztoa_configure_build "$arch" ON sortlines || { rm -f "$stamp.new"; return 1; }
    mv "$stamp.new" "$stamp"
}

# Runs scripts/bootstrap unless it last succeeded with the same package
# list (it leaves a stamp holding its own checksum): asking dpkg about every
# package costs more than a sort.
ztoa_bootstrap() {
    local stamp="$ZTOA_ROOT/build/bootstrap.stamp"
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$(cksum <"$ZTOA_ROOT/scripts/bootstrap")" ]; then
        return 0
    fi
    "$ZTOA_ROOT/scripts/bootstrap"
}

# ztoa_can_run ARCH: whether a Wine here runs Windows code for ARCH.
ztoa_can_run() {
    if [ "$1" = i686 ]; then /usr/lib/wine/wine --version >/dev/null 2>&1
    else /usr/lib/wine/wine64 --version >/dev/null 2>&1; fi
}

# Builds the shipped 32-bit module and, where needed, the build the tests
# run on; and the stand-in host of the other architecture where a Wine here
# runs it, so that the release test loads both DLLs of the zip.
ztoa_build() {
    local runtime_arch other
    runtime_arch=$(ztoa_runtime_arch)
    mkdir -p "$ZTOA_ROOT/build"
    if [ "$runtime_arch" = i686 ]; then
        ztoa_configure_build i686 ON
    else
        ztoa_configure_build i686 OFF
        ztoa_configure_build "$runtime_arch" ON
    fi
    other=x86_64
    [ "$runtime_arch" != x86_64 ] || other=i686
    if ztoa_can_run "$other"; then
        if [ "$other" = x86_64 ]; then
            # The 64-bit DLL's own run through the sort command's tests.
            ztoa_configure_build x86_64 ON sortlines sort_command_test differential_test
        elif [ -f "$ZTOA_ROOT/build/$other/CMakeCache.txt" ]; then
            cmake --build "$ZTOA_ROOT/build/$other" -j "$(nproc)" --target sortlines \
                >"$ZTOA_ROOT/build/$other.build.log" 2>&1 \
                || { grep -E 'error|Error' "$ZTOA_ROOT/build/$other.build.log" | head -40 >&2; return 1; }
        else
            ztoa_configure_build "$other" OFF sortlines
        fi
    fi
}

# ztoa_on_exit COMMAND: runs COMMAND when the shell exits, before whatever
# the EXIT trap already held. A caller that sets its own EXIT trap after
# ztoa_start_services must use this too, or the services stay running.
ztoa_on_exit() {
    local command=$1 current=""
    eval "set -- $(trap -p EXIT)"
    [ $# -lt 3 ] || current=$3
    trap -- "$command${current:+; $current}" EXIT
}

# Starts an X server of our own (Xvfb) unless DISPLAY names one. Xvfb picks
# a free display itself and writes its number once it accepts clients, so
# nothing uses the display before it is ready and concurrent runs never
# race for the same number. Fails when no display could be had.
ztoa_start_display() {
    [ -z "${DISPLAY:-}" ] || return 0
    command -v Xvfb >/dev/null || { echo "no DISPLAY, and Xvfb is not installed" >&2; return 1; }
    local fifo number=""
    fifo=$(mktemp -u "${TMPDIR:-/tmp}/ztoa-xvfb.XXXXXX")
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" </dev/null >/dev/null 2>&1 &
    ZTOA_XVFB_PID=$!
    read -r -t 30 number <"$fifo" || true
    rm -f "$fifo"
    if [ -z "$number" ]; then
        kill "$ZTOA_XVFB_PID" 2>/dev/null || true
        ZTOA_XVFB_PID=
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$number"
}

ztoa_wineserver() {
    if [ "$1" = i686 ] && [ -x /usr/lib/wine/wineserver32 ]; then echo /usr/lib/wine/wineserver32
    elif [ "$1" = x86_64 ] && [ -x /usr/lib/wine/wineserver64 ]; then echo /usr/lib/wine/wineserver64
    else echo wineserver; fi
}

# ztoa_use_prefix ARCH: the Wine environment of build/ARCH's own prefix.
ztoa_use_prefix() {
    export WINEPREFIX="$ZTOA_ROOT/build/$1/wineprefix"
    export WINEDEBUG=${WINEDEBUG:--all}
    if [ "$1" = i686 ]; then export WINEARCH=win32; else export WINEARCH=win64; fi
}

# Whether the prefix was ever booted. Wine writes .update-timestamp when it
# creates a prefix; system.reg appears only when a wineserver ends, so a
# prefix that a persistent wineserver keeps has none yet.
ztoa_prefix_booted() {
    [ -f "$WINEPREFIX/.update-timestamp" ]
}

# Boots the prefix if it never was, detached: the services Wine starts on
# the first run would otherwise inherit that run's output and hold a
# caller's pipe (ctest's, or a $(...)) open until the wineserver ends. The
# booting session ends before anything else runs: in the session that
# created the prefix, every program that opens a window took about 20 s
# longer under Wine 8. A session that has not ended within two minutes
# (a program that hangs in it) is left to run rather than wait for ever.
ztoa_boot_prefix() {
    ! ztoa_prefix_booted || return 0
    mkdir -p "$WINEPREFIX"
    "$ZTOA_ROOT/scripts/wine-run" --prefix "$WINEPREFIX" --arch "$1" wineboot -i </dev/null >/dev/null 2>&1 || true
    timeout 120 "$(ztoa_wineserver "$1")" -w </dev/null >/dev/null 2>&1 || true
}

# Starts an Xvfb of our own and a persistent wineserver for the prefix of
# build/ARCH, both detached from our output, and stops them when the shell
# exits (through ztoa_on_exit). The tests' windows never show on the
# user's display, and whatever runs under these services (ZTOA_SERVICES
# set; the function then does nothing) may drive that display with xdotool.
ztoa_start_services() {
    local arch=$1
    ztoa_use_prefix "$arch"
    [ -z "${ZTOA_SERVICES:-}" ] || return 0
    export ZTOA_SERVICES=1
    ztoa_on_exit ztoa_stop_services
    unset DISPLAY
    ztoa_start_display
    # A wineserver that some other run already keeps for this prefix is
    # shared, and left running at the end.
    ZTOA_WINESERVER=$(ztoa_wineserver "$arch")
    ztoa_boot_prefix "$arch"
    if ! "$ZTOA_WINESERVER" -p </dev/null >/dev/null 2>&1; then
        ZTOA_WINESERVER=
    fi
    # Start the prefix's services now, detached (see ztoa_boot_prefix), so
    # that they do not hold ctest's pipe.
    "$ZTOA_ROOT/scripts/wine-run" --prefix "$WINEPREFIX" --arch "$arch" wineboot </dev/null >/dev/null 2>&1 || true
}

ztoa_stop_services() {
    if [ -n "${ZTOA_WINESERVER:-}" ]; then
        "$ZTOA_WINESERVER" -k </dev/null >/dev/null 2>&1 || true
        "$ZTOA_WINESERVER" -w </dev/null >/dev/null 2>&1 || true
    fi
    if [ -n "${ZTOA_XVFB_PID:-}" ]; then
        kill "$ZTOA_XVFB_PID" 2>/dev/null || true
        wait "$ZTOA_XVFB_PID" 2>/dev/null || true
    fi
}
