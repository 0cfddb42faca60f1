# Shared by the project's scripts: where things are, which Wine runs the
# tests, building, and the Wine and X services a run needs.

ZTOA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The module ships as a 32-bit DLL. Its tests run under 32-bit Wine; on a
# kernel that cannot execute 32-bit code at all, the same sources are built
# for x86_64 as well and the tests run under 64-bit Wine instead.
ztoa_runtime_arch() {
    if [ -n "${ZTOA_TEST_ARCH:-}" ]; then
        echo "$ZTOA_TEST_ARCH"
    elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
        echo i686
    else
        echo x86_64
    fi
}

# ztoa_configure_build ARCH RUNTIME_TESTS(ON|OFF): configures and builds build/ARCH.
ztoa_configure_build() {
    local arch=$1 runtime=$2 dir="$ZTOA_ROOT/build/$1"
    if [ ! -f "$dir/CMakeCache.txt" ] || ! grep -q "ZTOA_RUNTIME_TESTS:BOOL=$runtime" "$dir/CMakeCache.txt"; then
        cmake -S "$ZTOA_ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ZTOA_ROOT/cmake/$arch-w64-mingw32.cmake" \
            -DZTOA_RUNTIME_TESTS="$runtime" >"$dir.configure.log" 2>&1 \
            || { cat "$dir.configure.log" >&2; return 1; }
    fi
    cmake --build "$dir" -j "$(nproc)" >"$dir.build.log" 2>&1 \
        || { grep -E 'error|Error' "$dir.build.log" | head -40 >&2; return 1; }
}

# Builds the shipped 32-bit module and, where needed, the build the tests run on.
ztoa_build() {
    local runtime_arch
    runtime_arch=$(ztoa_runtime_arch)
    mkdir -p "$ZTOA_ROOT/build"
    if [ "$runtime_arch" = i686 ]; then
        ztoa_configure_build i686 ON
    else
        ztoa_configure_build i686 OFF
        ztoa_configure_build "$runtime_arch" ON
    fi
}

# Starts Xvfb and a persistent wineserver for the prefix of build/ARCH,
# both detached from our output, and stops them when the shell exits.
# Under a caller that already runs them (ZTOA_SERVICES set), does nothing.
ztoa_start_services() {
    local arch=$1
    export WINEPREFIX="$ZTOA_ROOT/build/$arch/wineprefix"
    export WINEDEBUG=${WINEDEBUG:--all}
    if [ "$arch" = i686 ]; then export WINEARCH=win32; else export WINEARCH=win64; fi
    [ -z "${ZTOA_SERVICES:-}" ] || return 0
    export ZTOA_SERVICES=1
    ZTOA_WINESERVER=$( [ "$arch" = i686 ] && echo /usr/lib/wine/wineserver32 || echo /usr/lib/wine/wineserver64 )
    [ -x "$ZTOA_WINESERVER" ] || ZTOA_WINESERVER=wineserver
    mkdir -p "$WINEPREFIX"
    if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
        local n=90
        while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
        ZTOA_XVFB_PID=$!
        export DISPLAY=":$n"
    fi
    # A wineserver that some other run already keeps for this prefix is
    # shared, and left running at the end.
    trap ztoa_stop_services EXIT
    if ! "$ZTOA_WINESERVER" -p </dev/null >/dev/null 2>&1; then
        ZTOA_WINESERVER=
    fi
    # Boot the prefix now, detached: the services Wine starts on the first
    # run would otherwise inherit that run's output and hold a caller's
    # pipe (ctest's) open until the wineserver ends.
    local boot=""
    [ -f "$WINEPREFIX/system.reg" ] || boot=-i
    "$ZTOA_ROOT/scripts/wine-run" --prefix "$WINEPREFIX" --arch "$arch" wineboot $boot </dev/null >/dev/null 2>&1 || true
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
