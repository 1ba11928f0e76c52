#!/usr/bin/env bash
# Makes the media the engine and display tests read, into the folder given.
# Everything is synthetic (FFmpeg's lavfi sources); nothing is downloaded.
# Files that already exist are kept, so re-running is cheap.
set -euo pipefail
out="${1:?usage: make-test-media.sh DIR}"
mkdir -p "$out"
cd "$out"
ff() { ffmpeg -nostdin -loglevel error -y "$@"; }
make() { local name="$1"; shift; [ -s "$name" ] || ff "$@" "$name.tmp.${name##*.}" && { [ -s "$name" ] || mv "$name.tmp.${name##*.}" "$name"; }; }

video="testsrc2=size=320x240:rate=25"
tone="sine=frequency=440:sample_rate=48000"

# H.264 with B-frames and AAC stereo: the everyday file.
make av.mp4 -f lavfi -i "$video:duration=4" -f lavfi -i "$tone:duration=4" \
    -ac 2 -c:v libx264 -preset veryfast -bf 3 -g 25 -pix_fmt yuv420p -c:a aac -b:a 96k -shortest
make av.mkv -i av.mp4 -c copy
make video_only.mkv -f lavfi -i "$video:duration=2" -c:v libx264 -preset veryfast -pix_fmt yuv420p
make audio_only.m4a -f lavfi -i "$tone:duration=2" -c:a aac
# Pixel formats other than 8-bit 4:2:0, and an odd picture size.
make yuv444.mkv -f lavfi -i "$video:duration=1" -c:v libx264 -preset veryfast -pix_fmt yuv444p
make p10.mkv -f lavfi -i "$video:duration=1" -c:v ffv1 -pix_fmt yuv420p10le
make rgb.mkv -f lavfi -i "$video:duration=1" -c:v png -pix_fmt rgb24
make pal8.gif -f lavfi -i "testsrc=size=64x48:rate=10:duration=1"
make odd.mkv -f lavfi -i "testsrc2=size=101x51:rate=25:duration=1" -c:v ffv1 -pix_fmt yuv420p
# Time base 1/25 with a key frame every 10 pictures, for seeking.
make tb25.avi -f lavfi -i "$video:duration=4" -c:v mpeg4 -g 10 -bf 0 -q:v 5
# Longer than 35 min 47 s (where a 32-bit microsecond count would overflow).
make long.mkv -f lavfi -i "color=c=blue:size=16x16:rate=1:duration=2170" -c:v libx264 -preset ultrafast -g 600
# Bad input.
[ -e zero.mp4 ] || : > zero.mp4
[ -s random.mp4 ] || head -c 65536 /dev/urandom > random.mp4
[ -s cut.mkv ] || head -c "$(( $(stat -c %s av.mkv) / 2 ))" av.mkv > cut.mkv
mkdir -p folder.mp4
[ -s "中文 路径 with spaces.mp4" ] || cp av.mp4 "中文 路径 with spaces.mp4"
[ -s "$(printf 'bad\xff\xfename.mp4')" ] || cp av.mp4 "$(printf 'bad\xff\xfename.mp4')"
[ -s "upper.MVR" ] || cp av.mp4 upper.MVR
[ -s "nodot" ] || cp av.mp4 nodot
echo "test media ready in $out"
