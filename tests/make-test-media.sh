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
# Fragmented MP4 at 60 fps whose fragments hold 5 s of pictures before their
# sound (as cameras write it).
make frag60.mp4 -f lavfi -i "testsrc2=size=160x120:rate=60:duration=8" -f lavfi -i "$tone:duration=8" \
    -c:v libx264 -preset ultrafast -g 300 -keyint_min 300 -pix_fmt yuv420p -c:a aac -b:a 64k \
    -movflags frag_keyframe+empty_moov+default_base_moof
# MPEG-TS whose time stamps jump 100 s forward after 3 s (a recorder
# restart), and one that jumps 100 s back.
tsPart() { [ -s "$1" ] || ff -f lavfi -i "$video:duration=3" -f lavfi -i "$tone:duration=3" \
    -c:v libx264 -preset ultrafast -g 25 -pix_fmt yuv420p -c:a aac -b:a 64k -output_ts_offset "$2" "$1"; }
tsPart ts_at0.ts 0
tsPart ts_at100.ts 100
[ -s jump_forward.ts ] || cat ts_at0.ts ts_at100.ts > jump_forward.ts
[ -s jump_back.ts ] || cat ts_at100.ts ts_at0.ts > jump_back.ts
# A picture stream no decoder knows (its sample entry renamed), with sound.
[ -s unknown_codec.mp4 ] || perl -pe 's/avc1/zzzz/g' av.mp4 > unknown_codec.mp4
# Pictures with a sound stream no decoder knows.
[ -s unknown_sound.mkv ] || perl -pe 's/A_AAC/A_ZZZ/g' av.mkv > unknown_sound.mkv
# Sound with a cover picture.
make cover.m4a -f lavfi -i "$tone:duration=2" -f lavfi -i "color=c=green:size=64x64:duration=1" \
    -map 0:a -map 1:v -c:a aac -c:v png -frames:v 1 -disposition:v attached_pic
# Picture formats: turned a quarter turn, non-square samples, full-range BT.709.
# The turn is the track header's matrix as phones write it (this FFmpeg's
# muxer ignores rotate=90): the last identity matrix in the file (the track's;
# the movie's comes first) becomes a quarter turn.
make upright.mp4 -f lavfi -i "$video:duration=1" -c:v libx264 -preset ultrafast -pix_fmt yuv420p
[ -s rotated.mp4 ] || perl -0777 -pe '
    my $id = "\x00\x01\x00\x00" . ("\x00" x 12) . "\x00\x01\x00\x00" . ("\x00" x 12) . "\x40\x00\x00\x00";
    my $turn = ("\x00" x 4) . "\x00\x01\x00\x00" . ("\x00" x 4) . "\xff\xff\x00\x00" . ("\x00" x 16) . "\x40\x00\x00\x00";
    my $at = rindex($_, $id); substr($_, $at, 36) = $turn if $at >= 0;' upright.mp4 > rotated.mp4
make sar.mkv -f lavfi -i "$video:duration=1" -vf setsar=16/15 -c:v libx264 -preset ultrafast -pix_fmt yuv420p
make full709.mkv -f lavfi -i "$video:duration=1" -c:v libx264 -preset ultrafast -pix_fmt yuv420p \
    -colorspace bt709 -color_primaries bt709 -color_trc bt709 -color_range pc
make yuvj422.mkv -f lavfi -i "$video:duration=1" -c:v mjpeg -pix_fmt yuvj422p
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
# Subtitles: a SubRip and an ASS track with two sound tracks (440 Hz in
# English, 880 Hz in French) in Matroska; the SubRip cues as MP4 timed text;
# a clip with a SubRip file in GB18030 beside it; a clip with binary garbage
# named .srt beside it.
[ -s cues.srt ] || printf '1\n00:00:00,500 --> 00:00:01,200\nFirst cue\n\n2\n00:00:01,500 --> 00:00:02,500\nSecond, with a comma\n\n' > cues.srt
[ -s cues.vtt ] || printf 'WEBVTT\n\n00:00:00.500 --> 00:00:01.200\nFirst cue\n\n00:00:01.500 --> 00:00:02.500\nSecond, with a comma\n\n' > cues.vtt
[ -s styled.ass ] || cat > styled.ass <<'EOF'
[Script Info]
ScriptType: v4.00+
PlayResX: 320
PlayResY: 240

[V4+ Styles]
Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding
Style: Default,DejaVu Sans,20,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,1

[Events]
Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text
Dialogue: 0,0:00:00.80,0:00:01.80,Default,,0,0,0,,{\an8}{\c&H0000FF&}Red at the top
EOF
make subs.mkv -f lavfi -i "$video:duration=3" -f lavfi -i "$tone:duration=3" \
    -f lavfi -i "sine=frequency=880:sample_rate=48000:duration=3" -i cues.srt -i styled.ass \
    -map 0:v -map 1:a -map 2:a -map 3:s -map 4:s -c:v libx264 -preset ultrafast -pix_fmt yuv420p \
    -c:a aac -b:a 64k -c:s copy -metadata:s:a:0 language=eng -metadata:s:a:1 language=fre \
    -metadata:s:s:0 language=eng -metadata:s:s:0 title=Dialogue -metadata:s:s:1 language=chi
make timed_text.mp4 -f lavfi -i "$video:duration=3" -i cues.srt -map 0:v -map 1:s \
    -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:s mov_text
[ -s gb.mp4 ] || cp av.mp4 gb.mp4
[ -s gb.srt ] || printf '1\n00:00:00,400 --> 00:00:01,000\n你好，世界\n\n2\n00:00:01,100 --> 00:00:01,800\n这是第二句字幕\n\n3\n00:00:01,900 --> 00:00:02,500\n我们在测试中文编码\n\n4\n00:00:02,600 --> 00:00:03,000\n简体中文的国家标准\n\n5\n00:00:03,100 --> 00:00:03,600\n播放器应该正确显示\n\n' | iconv -f UTF-8 -t GB18030 > gb.srt
[ -s garbage.mp4 ] || cp av.mp4 garbage.mp4
[ -s garbage.srt ] || head -c 8192 /dev/urandom > garbage.srt
# A longer black clip with the same four tracks, for the window's tests: the
# subtitles are the only bright things on screen.
[ -s tracks_en.srt ] || printf '1\n00:00:00,000 --> 00:00:19,000\nEnglish line\n\n' > tracks_en.srt
[ -s tracks_zh.srt ] || printf '1\n00:00:00,000 --> 00:00:19,000\n中文字幕\n\n' > tracks_zh.srt
make tracks.mkv -f lavfi -i "color=c=black:size=320x240:rate=25:duration=20" \
    -f lavfi -i "$tone:duration=20" -f lavfi -i "sine=frequency=880:sample_rate=48000:duration=20" \
    -i tracks_en.srt -i tracks_zh.srt -map 0:v -map 1:a -map 2:a -map 3:s -map 4:s \
    -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 64k -c:s ass \
    -metadata:s:a:0 language=eng -metadata:s:a:1 language=fre \
    -metadata:s:s:0 language=eng -metadata:s:s:1 language=chi
