# Shared set-up of scripts/run and scripts/test: packages, configure, build.
# Sourced, not run. Honours BUILD_DIR (default build/) and VOREL_CMAKE_ARGS.

VOREL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$VOREL_ROOT/build}"

# Every Debian package the build, the tests, the demo and the benchmarks use.
VOREL_PACKAGES=(
    cmake ninja-build g++ pkg-config clang libclang-rt-14-dev
    qtbase5-dev qtmultimedia5-dev qttools5-dev qttools5-dev-tools
    libqt5multimedia5-plugins libqt5opengl5-dev
    libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev libavfilter-dev
    libpulse-dev libass-dev libuchardet-dev ffmpeg xvfb xauth pulseaudio libgl1-mesa-dri mesa-utils dbus xdotool fonts-wqy-microhei
    desktop-file-utils shared-mime-info libxml2-utils qttranslations5-l10n
)

vorel_install_packages() {
    local missing=()
    for p in "${VOREL_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

vorel_build() {
    cmake -S "$VOREL_ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
        ${VOREL_CMAKE_ARGS:-}
    cmake --build "$BUILD_DIR" -j "$(nproc)"
}

# Starts a private Xvfb display and a private PulseAudio server with a null
# sink; vorel_stop_session stops both. Sets DISPLAY and XDG_RUNTIME_DIR.
vorel_start_session() {
    VOREL_SESSION_DIR="$(mktemp -d /tmp/vorel-session.XXXXXX)"
    chmod 700 "$VOREL_SESSION_DIR"
    export XDG_RUNTIME_DIR="$VOREL_SESSION_DIR"
    # Xvfb picks a free display itself and writes its number once it
    # listens, so sessions started side by side never share a display.
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp \
        3>"$VOREL_SESSION_DIR/display" >"$VOREL_SESSION_DIR/xvfb.log" 2>&1 &
    VOREL_XVFB_PID=$!
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
        --load="module-null-sink sink_name=null" --load=module-native-protocol-unix \
        >"$VOREL_SESSION_DIR/pulse.log" 2>&1 &
    VOREL_PULSE_PID=$!
    local i
    for i in $(seq 1 100); do
        [ -S "$XDG_RUNTIME_DIR/pulse/native" ] && [ -s "$VOREL_SESSION_DIR/display" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(head -n 1 "$VOREL_SESSION_DIR/display")"
    export LIBGL_ALWAYS_SOFTWARE=1
    export QT_QPA_PLATFORM=xcb
}

vorel_stop_session() {
    [ -n "${VOREL_PULSE_PID:-}" ] && kill "$VOREL_PULSE_PID" 2>/dev/null || true
    [ -n "${VOREL_XVFB_PID:-}" ] && kill "$VOREL_XVFB_PID" 2>/dev/null || true
    wait 2>/dev/null || true
    [ -n "${VOREL_SESSION_DIR:-}" ] && rm -rf "$VOREL_SESSION_DIR"
}
