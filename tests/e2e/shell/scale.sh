#!/usr/bin/env bash
# ZELK_SCALE=2 shows the window twice as large; the picture inside is the same
# (a black client area: the program runs from a folder without its pictures),
# and closing works as usual.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
start_xvfb 1600x1200
export ZELK_SCALE=2 ZELK_MSGBOX_ANSWERS=ok
cp "$BIN/lensdemo" "$WORK/lensdemo"
start "$WORK/lensdemo"
read -r id x y w h < <(wait_window "ZELK SYSTEM") || fail "no window"
[ "$w $h" = "1280 960" ] || fail "scaled window is ${w}x${h}"
sleep 0.5
shot "$ARTIFACTS/scaled.png" "$x" "$y" "$w" "$h"
[ "$(png_uniform "$ARTIFACTS/scaled.png")" = 000000 ] || fail "scaled client area is not black"
close_window "ZELK SYSTEM"
wait_exit "$LAST_PID" 5
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"
echo PASS
