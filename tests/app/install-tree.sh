#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the tree as a Linux
# desktop sees it: the program, a valid desktop entry naming the MIME types,
# the MVR MIME type (compiled by update-mime-database), the icons and the
# translations; then starts the installed program from another folder and
# checks from its log that it found its translations there.
set -euo pipefail
build="${1:?usage: install-tree.sh BUILD_DIR}"
root="$(mktemp -d)"
player=""
cleanup() { [ -n "$player" ] && kill "$player" 2>/dev/null; rm -rf "$root"; }
trap cleanup EXIT
prefix="$root/prefix"
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
[ -x "$prefix/bin/vorelplayer" ] || fail "no bin/vorelplayer"

entry="$prefix/share/applications/vorelplayer.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
grep -q '^Exec=vorelplayer %F$' "$entry" || fail "Exec does not take files"
for type in video/mp4 video/x-matroska video/x-msvideo video/quicktime video/x-vorel-mvr; do
    grep -q "^MimeType=.*$type;" "$entry" || fail "MimeType lacks $type"
done

update-mime-database "$prefix/share/mime" || fail "update-mime-database rejects the MIME package"
grep -q '^[0-9]*:video/x-vorel-mvr:\*\.mvr$' "$prefix/share/mime/globs2" || fail "*.mvr is not video/x-vorel-mvr"

[ -s "$prefix/share/icons/hicolor/256x256/apps/vorelplayer.png" ] || fail "no 256x256 icon"
xmllint --noout "$prefix/share/icons/hicolor/scalable/apps/vorelplayer.svg" || fail "scalable icon is not SVG"
for qm in vorelplayer_zh.qm vorelplayer_en.qm; do
    [ -s "$prefix/share/vorelplayer/translations/$qm" ] || fail "no $qm"
done

# Started from a folder of its own, in Chinese, with the file log on.
work="$root/work"
runtime="$root/runtime"
mkdir -p "$work" "$runtime"
chmod 700 "$runtime"
printf '[LOG]\nON=true\n[Language]\ntype=zh_cn\n' > "$work/account.ini"
(cd "$work" && XDG_RUNTIME_DIR="$runtime" exec "$prefix/bin/vorelplayer" >/dev/null 2>&1) &
player=$!
log="$prefix/bin/LOG/$(date +%Y-%m-%d).log"
for _ in $(seq 1 300); do
    [ -s "$log" ] && grep -q 'window shown' "$log" && break
    kill -0 "$player" 2>/dev/null || fail "the installed player ended at start"
    sleep 0.1
done
grep -q 'window shown' "$log" || fail "the installed player did not start (no log in $log)"
if grep -q 'cannot load' "$log"; then fail "the installed player did not find its translations"; fi
grep -q 'window shown, language 0$' "$log" || fail "the installed player is not in Chinese"
echo "install tree ok"
