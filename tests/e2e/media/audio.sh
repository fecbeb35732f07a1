#!/usr/bin/env bash
# The wave device in the real program: a short WAV looping through the media
# player on SDL's disk driver keeps sending its end notice and is heard in the
# capture; with no audio device at all the player reports once in its box,
# and zelkplay, having nothing to play, says so on stderr and exits with 1.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
start_xvfb

"$ZELK_TEST_DIR/make_test_media" wav "$WORK/tone.wav" 300 || fail "no fixture"

log=$WORK/loop.log
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$WORK/capture.raw \
  start "$BIN/zelkplay" "$WORK/tone.wav" --mode 1 --seconds 2 --log "$log"
wait_exit "$LAST_PID" 20
[ "$EXIT_CODE" = 0 ] || fail "zelkplay ended with $EXIT_CODE"
n=$(grep -c '^notice 1 1$' "$log" || true)
[ "$n" -ge 3 ] || fail "a 0.3 s sound looped over 2 s sent $n end notices"
size=$(stat -c %s "$WORK/capture.raw")
[ "$size" -gt 176400 ] || fail "the capture holds $size bytes, less than a second"

boxes=$WORK/boxes.jsonl
SDL_AUDIODRIVER=no-such-driver ZELK_MSGBOX_ANSWERS=ok ZELK_MSGBOX_LOG=$boxes \
  start "$BIN/zelkplay" "$WORK/tone.wav" --mode 1 --seconds 1 --log "$WORK/off.log" 2>"$WORK/off.err"
wait_exit "$LAST_PID" 20
[ "$EXIT_CODE" = 1 ] || fail "without audio zelkplay ended with $EXIT_CODE"
[ "$(wc -l <"$boxes")" = 1 ] || fail "expected one report: $(cat "$boxes")"
grep -q '"caption":"zelkplay 音楽確保"' "$boxes" || fail "wrong report: $(cat "$boxes")"
grep -q "^zelkplay: cannot play $WORK/tone.wav: ." "$WORK/off.err" ||
  fail "no word on stderr: $(cat "$WORK/off.err")"
! grep -q '^notice' "$WORK/off.log" || fail "notices without a device"
echo ok
