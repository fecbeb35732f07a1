#!/usr/bin/env bash
# The video device under X: a generated AVI (raw pictures, PCM sound) plays
# through the media player in a rectangle of the window. The rectangle shows
# the moving square, nothing outside it changes, the end notice arrives and,
# in mode 1, keeps coming as the video loops. A file that is no video is
# reported in the player's box and on stderr, with exit code 1.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
start_xvfb

"$ZELK_TEST_DIR/make_test_media" avi "$WORK/clip.avi" 10 10 || fail "no fixture"
log=$WORK/notices.log
start "$BIN/zelkplay" "$WORK/clip.avi" --mode 1 --rect 100,80,320,240 --delay 1500 \
  --seconds 8 --log "$log"
pid=$LAST_PID
read -r _ x y _ _ < <(wait_window zelkplay 10) || fail "no window"

# region NAME X Y W H: a screenshot of part of the client area.
region() { shot "$ARTIFACTS/$1.png" $((x + $2)) $((y + $3)) "$4" "$5"; }
parts() {
  region "$1-top" 0 0 640 80
  region "$1-bottom" 0 320 640 160
  region "$1-left" 0 80 100 240
  region "$1-right" 420 80 220 240
  region "$1-video" 100 80 320 240
}

# poll_video WANT SECONDS: waits until the video region is WANT ("909090":
# the field before the video, "mixed": a picture in it).
poll_video() {
  local i
  for ((i = 0; i < $2 * 10; i++)); do
    region probe 100 80 320 240
    [ "$(png_uniform "$ARTIFACTS/probe.png")" = "$1" ] && return 0
    sleep 0.1
  done
  fail "the video region never became $1"
}

poll_video 909090 10
parts before
poll_video mixed 10
# A slow machine may catch the first frame half drawn: wait for a whole one.
for ((i = 0; i < 50; i++)); do
  parts during1
  kill -0 "$pid" 2>/dev/null || fail "zelkplay ended before a whole frame was seen"
  n=$("$XTOOL" diff "$ARTIFACTS/before-video.png" "$ARTIFACTS/during1-video.png")
  [ "$n" -gt 50000 ] && break
  sleep 0.1
done
sleep 0.25
parts during2
kill -0 "$pid" 2>/dev/null || fail "zelkplay ended before the second look"

for p in top bottom left right; do
  for d in during1 during2; do
    n=$("$XTOOL" diff "$ARTIFACTS/before-$p.png" "$ARTIFACTS/$d-$p.png")
    [ "$n" = 0 ] || fail "$n pixels changed outside the video ($p, $d)"
  done
done
n=$("$XTOOL" diff "$ARTIFACTS/before-video.png" "$ARTIFACTS/during1-video.png")
[ "$n" -gt 50000 ] || fail "the video did not cover its rectangle ($n pixels changed)"
n=$("$XTOOL" diff "$ARTIFACTS/during1-video.png" "$ARTIFACTS/during2-video.png")
[ "$n" -gt 500 ] || fail "the picture did not move ($n pixels changed)"
[ "$(png_uniform "$ARTIFACTS/during1-video.png")" = mixed ] || fail "no square in the video"

wait_exit "$pid" 20; rc=$EXIT_CODE
[ "$rc" = 0 ] || fail "zelkplay ended with $rc"
notices=$(grep -c '^notice 1 1$' "$log" || true)
[ "$notices" -ge 2 ] || fail "expected the end notice at least twice, got $notices: $(cat "$log")"
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
[ "$(cat "$WORK/garbage.err")" = "zelkplay: cannot play $WORK/garbage.avi: $text" ] ||
  fail "garbage.avi: stderr $(cat "$WORK/garbage.err")"
echo "ok: $notices notices"
