#!/usr/bin/env bash
# The close question as a person meets it: our own box, in the demo's process,
# owned by (transient for) the demo's window and centred on it, its Japanese
# text readable; Escape keeps the demo running, Return ends it with exit code
# 0. A demo killed while its box is open takes the box with it, and the next
# demo starts.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
start_xvfb 1024x768

start "$BIN/scenedemo"
demo=$LAST_PID
read -r win wx wy ww wh < <(wait_window "Vorna! DEMO") || fail "no window"
close_window "Vorna! DEMO"
box=$(box_id "Vorna! DEMO") || fail "no question box"
no_children "$demo"
xprop -id "$box" WM_TRANSIENT_FOR | grep -qi "window id # $(printf '0x%x' "$win")\$" ||
  fail "the box is not owned by the demo's window: $(xprop -id "$box" WM_TRANSIENT_FOR)"
read -r bx by bw bh < <(geometry "$box")
[ $((bx + bw / 2 - wx - ww / 2)) -le 1 ] && [ $((by + bh / 2 - wy - wh / 2)) -le 1 ] &&
  [ $((wx + ww / 2 - bx - bw / 2)) -le 1 ] && [ $((wy + wh / 2 - by - bh / 2)) -le 1 ] ||
  fail "the box ($bx,$by ${bw}x$bh) is not centred on the window ($wx,$wy ${ww}x$wh)"
expect_text "$ARTIFACTS/question-box.png" "$bx" "$by" "$bw" "$bh" "終了します" "キャンセル"
shot "$ARTIFACTS/question.png"

xdotool key Escape
wait_until 30 eval '[ "$(window_count "Vorna! DEMO")" = 1 ]' || fail "box still open after Escape"
kill -0 "$demo" || fail "Escape (Cancel) ended the program"

close_window "Vorna! DEMO"
box=$(box_id "Vorna! DEMO") || fail "no question box the second time"
wait_until 30 focused "$box" || fail "the question box has no focus"
xdotool key Return
wait_exit "$demo" 30
[ "$EXIT_CODE" = 0 ] || fail "exit code after OK: $EXIT_CODE"

# Killed with its box open: box, window and process go; the lock goes with them.
start "$BIN/lensdemo"
demo=$LAST_PID
wait_window "ZELK SYSTEM" >/dev/null || fail "lensdemo: no window"
close_window "ZELK SYSTEM"
box_id "ZELK SYSTEM" >/dev/null || fail "lensdemo: no question box"
no_children "$demo"
kill -9 "$demo"
wait_exit "$demo" 30
wait_until 30 eval '[ "$(window_count "ZELK SYSTEM")" = 0 ]' || fail "a window or box outlived the killed demo"
start "$BIN/spindemo"
wait_window "ZELK SYSTEM" >/dev/null || fail "the next demo did not start"
echo PASS
