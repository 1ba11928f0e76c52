#!/usr/bin/env bash
# An installed player run by a user who cannot write the program's folder: its
# log goes to the user's data folder and its screenshots (S) to the user's
# Pictures folder, and nothing is written beside the program. Needs root, to
# install as one user and run as another (nobody); skipped (77) otherwise.
set -euo pipefail
build="${1:?usage: folder-fallbacks.sh BUILD_DIR}"
if [ "$(id -u)" -ne 0 ] || ! command -v setpriv >/dev/null || ! id nobody >/dev/null 2>&1; then
    echo "SKIP: needs root, setpriv and the user nobody"
    exit 77
fi
root="$(mktemp -d)"
player=""
cleanup() { [ -n "$player" ] && kill "$player" 2>/dev/null; rm -rf "$root"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
chmod 755 "$root"

prefix="$root/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
[ -x "$prefix/bin/vorelplayer" ] || fail "no bin/vorelplayer"

# The user's own folders: a home with nothing in it yet, a runtime folder, a
# working folder with the settings (log on, English).
home="$root/home"
runtime="$root/runtime"
mkdir -p "$home/work" "$runtime"
printf '[LOG]\nON=true\n[Language]\ntype=en_us\n' > "$home/work/account.ini"
chown -R nobody:nogroup "$home" "$runtime"
chmod 700 "$runtime"
setpriv --reuid=nobody --regid=nogroup --clear-groups test -w "$prefix/bin" \
    && fail "nobody can write $prefix/bin: the test means nothing"

clip="$root/clip.mp4"
ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=25 -t 30 -c:v libx264 -preset ultrafast \
    -pix_fmt yuv420p "$clip"
chmod 644 "$clip"

(cd "$home/work" && exec setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i HOME="$home" XDG_RUNTIME_DIR="$runtime" DISPLAY="$DISPLAY" PATH="$PATH" \
    LIBGL_ALWAYS_SOFTWARE=1 QT_QPA_PLATFORM=xcb "$prefix/bin/vorelplayer" "$clip" >/dev/null 2>&1) &
player=$!

log="$home/.local/share/vorelplayer/LOG/$(date +%Y-%m-%d).log"
for _ in $(seq 1 300); do
    [ -s "$log" ] && grep -q 'open isFile' "$log" && break
    kill -0 "$player" 2>/dev/null || fail "the player ended at start"
    sleep 0.1
done
grep -q 'window shown' "$log" 2>/dev/null || fail "no log in the user's data folder ($log)"
grep -q 'open isFile' "$log" || fail "the clip was not opened"

# A screenshot by its key, once a picture is shown, lands in ~/Pictures.
# xdotool gives up (BadWindow) when a window closes while it walks the tree,
# as a passing hint may: ask again.
window=""
for _ in $(seq 1 50); do
    window="$(xdotool search --all --pid "$player" --name '^MainWindow$' 2>/dev/null | head -n 1 || true)"
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "no player window"
shots="$home/Pictures/VorelPlayer"
for _ in $(seq 1 100); do
    xdotool windowfocus --sync "$window" key s
    sleep 0.3
    compgen -G "$shots/*.jpg" >/dev/null && break
done
compgen -G "$shots/*.jpg" >/dev/null || { grep -v "picture \(decoded\|shown\)\|Debug   39$" "$log" | tail -n 30; kill -0 "$player" || echo "(the player has ended)"; fail "no screenshot in $shots"; }
[ "$(stat -c %U "$(compgen -G "$shots/*.jpg" | head -n 1)")" = nobody ] || fail "the screenshot is not the user's"

leftovers="$(find "$prefix" -newer "$clip" -not -type d)"
[ -z "$leftovers" ] || fail "written beside the program: $leftovers"
echo "folder fallbacks ok"
