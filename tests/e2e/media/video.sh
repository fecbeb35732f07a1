#!/usr/bin/env bash
# The video device under X: a generated AVI (raw pictures, PCM sound) plays
# through the media player in a rectangle of the window. The rectangle shows
# the moving square, nothing outside it changes, the end notice arrives and,
# in mode 1, keeps coming as the video loops; the window's title names the
# file, the time into the pass and the pass. A file that is no video is
# reported in the player's box and on stderr, with exit code 1.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
start_xvfb

"$ZELK_TEST_DIR/make_test_media" avi "$WORK/clip.avi" 10 10 || fail "no fixture"
log=$WORK/notices.log
# It plays until its window is closed (the question answered OK), however slow the machine.
ZELK_MSGBOX_ANSWERS=ok start "$BIN/zelkplay" "$WORK/clip.avi" --mode 1 --rect 100,80,320,240 \
  --delay 3000 --log "$log"
pid=$LAST_PID
read -r id x y _ _ < <(wait_window 'zelkplay - clip.avi - *') || fail "no window"
title() { xprop -id "$id" WM_NAME | sed -n 's/^WM_NAME([A-Z_]*) = "\(.*\)"$/\1/p'; }
# A pass of the clip (10 frames at 10 a second) is 1 s long; the passes after
# the first are counted.
second_pass() { title | grep -Eq '^zelkplay - clip\.avi - (0\.[0-9]|1\.0) / 1\.0 s, pass ([2-9]|[1-9][0-9]+)$'; }

# region NAME X Y W H: a screenshot of part of the client area.
region() { shot "$ARTIFACTS/$1.png" $((x + $2)) $((y + $3)) "$4" "$5"; }
parts() {
  region "$1-top" 0 0 640 80
  region "$1-bottom" 0 320 640 160
  region "$1-left" 0 80 100 240
  region "$1-right" 420 80 220 240
  region "$1-video" 100 80 320 240
}
# changed A B: how many pixels of the video region differ between two looks.
changed() { "$XTOOL" diff "$ARTIFACTS/$1-video.png" "$ARTIFACTS/$2-video.png"; }
field() { region before-video 100 80 320 240 && [ "$(png_uniform "$ARTIFACTS/before-video.png")" = 909090 ]; }
# A slow machine may catch a frame half drawn: look until a whole one covers the field.
whole() { playing && parts during1 && [ "$(changed before during1)" -gt 50000 ]; }
moved() { playing && parts during2 && [ "$(changed during1 during2)" -gt 500 ]; }
playing() { kill -0 "$pid" 2>/dev/null || fail "zelkplay ended while it should play"; }
notices() { [ "$(grep -c '^notice 1 1$' "$log")" -ge 2 ]; }

wait_until 20 field || fail "the field before the video never showed"
kill -STOP "$pid" # the video waits while the field is looked at
parts before
field || fail "the video began before the field could be looked at"
kill -CONT "$pid"
wait_until 60 whole || fail "no whole frame of the video was seen ($(changed before during1) pixels changed)"
wait_until 60 moved || fail "the picture did not move ($(changed during1 during2) pixels changed)"
for p in top bottom left right; do
  for d in during1 during2; do
    n=$("$XTOOL" diff "$ARTIFACTS/before-$p.png" "$ARTIFACTS/$d-$p.png")
    [ "$n" = 0 ] || fail "$n pixels changed outside the video ($p, $d)"
  done
done
[ "$(png_uniform "$ARTIFACTS/during1-video.png")" = mixed ] || fail "no square in the video"
# In mode 1 the end notice keeps coming as the video loops.
wait_until 60 notices || fail "expected the end notice at least twice: $(cat "$log")"
wait_until 20 second_pass || fail "the title says '$(title)'"
close_window 'zelkplay - clip.avi - *'
wait_exit "$pid" 30
[ "$EXIT_CODE" = 0 ] || fail "zelkplay ended with $EXIT_CODE"
tail -n 1 "$log" | grep -q '^end$' || fail "no release"

# A file that is no video: the player's box, the same words on stderr, exit 1.
printf 'not a video %.0s' {1..300} >"$WORK/garbage.avi"
boxes=$WORK/boxes.jsonl
ZELK_MSGBOX_ANSWERS=ok ZELK_MSGBOX_LOG=$boxes start "$BIN/zelkplay" "$WORK/garbage.avi" \
  2>"$WORK/garbage.err"
wait_exit "$LAST_PID" 20
[ "$EXIT_CODE" = 1 ] || fail "garbage.avi: exit code $EXIT_CODE"
[ "$(wc -l <"$boxes")" = 1 ] || fail "garbage.avi: expected one box: $(cat "$boxes")"
text=$(sed -n 's/.*"text":"\([^"]*\)".*/\1/p' "$boxes")
[ -n "$text" ] && grep -q '"caption":"zelkplay ＡＶＩ確保"' "$boxes" || fail "garbage.avi: box $(cat "$boxes")"
[ "$(cat "$WORK/garbage.err")" = "zelkplay: AVIVideo $WORK/garbage.avi: not a file of a kind this \
device plays, or damaged (zelkplay ＡＶＩ確保)
zelkplay: cannot play $WORK/garbage.avi: $text" ] || fail "garbage.avi: stderr $(cat "$WORK/garbage.err")"
echo "ok: $(grep -c '^notice 1 1$' "$log") notices"
