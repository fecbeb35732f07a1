#!/usr/bin/env bash
# ZELK_SCALE=2 shows the window twice as large, each pixel a 2 × 2 square:
# ripdemo's background, around the ripple, is the renderer's picture of it
# enlarged twice; closing works as usual. An invalid value is told and ignored.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
start_xvfb 1600x1200
export ZELK_SCALE=2 ZELK_MSGBOX_ANSWERS=ok ZELK_TRACE=$WORK/trace
cp "$BIN/ripdemo" "$WORK/ripdemo"
cp "$BIN/lensdemo" "$WORK/lensdemo"
"$ZELK_TEST_DIR/effect_pictures" "$WORK" water.mag waters.mag pelia.mag || fail "pictures not written"
"$BIN/zelkrender" --data "$WORK" --frames 1 --out "$WORK/frames" ripdemo >/dev/null ||
  fail "no frame rendered"
"$XTOOL" zoom "$WORK/frames/$(ls "$WORK/frames" | head -1)" "$ARTIFACTS/expected.png" 2
start "$WORK/ripdemo"
read -r id x y w h < <(wait_window "ZELK SYSTEM") || fail "no window"
[ "$w $h" = "1280 960" ] || fail "scaled window is ${w}x${h}"
more_frames 2 || fail "no pictures shown"
shot "$ARTIFACTS/scaled.png" "$x" "$y" "$w" "$h"
read -r n x0 y0 x1 y1 < <("$XTOOL" diff-box "$ARTIFACTS/scaled.png" "$ARTIFACTS/expected.png")
[ "$n" -gt 0 ] && [ "$x0" -ge 320 ] && [ "$y0" -ge 240 ] && [ "$x1" -le 960 ] && [ "$y1" -le 720 ] ||
  fail "the scaled window differs from the enlarged picture outside the ripple: $n ($x0 $y0 $x1 $y1)"
close_window "ZELK SYSTEM"
wait_exit "$LAST_PID" 30
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"

# A value that is no scale from 1 to 8 is told in one line on stderr, and the
# window takes the scale that fits 1600×1200: 2.
for bad in 0 abc 99; do
  ZELK_SCALE=$bad start "$WORK/lensdemo" 2>"$WORK/err-$bad.txt"
  read -r id x y w h < <(wait_window "ZELK SYSTEM") || fail "ZELK_SCALE=$bad: no window"
  [ "$w $h" = "1280 960" ] || fail "ZELK_SCALE=$bad: window is ${w}x${h}"
  close_window "ZELK SYSTEM"
  wait_exit "$LAST_PID" 30
  [ "$EXIT_CODE" = 0 ] || fail "ZELK_SCALE=$bad: exit code $EXIT_CODE"
  [ "$(cat "$WORK/err-$bad.txt")" = \
    "lensdemo: ZELK_SCALE=$bad is not a whole number from 1 to 8; using the largest scale that fits the screen" ] ||
    fail "ZELK_SCALE=$bad: stderr was: $(cat "$WORK/err-$bad.txt")"
done
echo PASS
