#!/usr/bin/env bash
# Makes the MVR tests' media in DIR with the ffmpeg CLI and mvr-mux:
#   red.mp4 / clip.mvr   2 s of red 320x240 at 25 fps with a 440 Hz tone,
#                        muxed at 160x120 with a key frame every 10 pictures;
#                        clip.h264 holds its video records as a raw stream
#   odd.mkv / noaudio.mvr  1 s of 99x75 test picture without audio, muxed
#                        with the default size and key-frame spacing
#   long.mp4 / long.mvr  8 s of test picture with a tone, muxed like clip.mvr
#   blue444.h264         one H.264 4:4:4 access unit of 64x48 blue
set -euo pipefail
dir="${1:?usage: make-mvr-clip.sh DIR MVR-MUX}"
mux="${2:?usage: make-mvr-clip.sh DIR MVR-MUX}"
mkdir -p "$dir"
ff() { ffmpeg -nostdin -loglevel error -y "$@"; }

ff -f lavfi -i "color=c=red:size=320x240:rate=25:duration=2" \
   -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=2" \
   -ac 2 -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -b:a 96k -shortest "$dir/red.mp4"
"$mux" "$dir/red.mp4" "$dir/clip.mvr" --gop 10 --size 160x120 --h264 "$dir/clip.h264"

ff -f lavfi -i "testsrc2=size=320x240:rate=25:duration=8" \
   -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=8" \
   -ac 2 -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -b:a 96k -shortest "$dir/long.mp4"
"$mux" "$dir/long.mp4" "$dir/long.mvr" --gop 10 --size 160x120

ff -f lavfi -i "testsrc2=size=99x75:rate=25:duration=1" -c:v ffv1 "$dir/odd.mkv"
"$mux" "$dir/odd.mkv" "$dir/noaudio.mvr"

ff -f lavfi -i "color=c=blue:size=64x48:rate=25" -frames:v 1 -c:v libx264 -tune zerolatency -pix_fmt yuv444p \
   -f h264 "$dir/blue444.h264"
