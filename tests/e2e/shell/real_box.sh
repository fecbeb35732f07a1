#!/usr/bin/env bash
# The close question as a real box on screen: its Japanese text is drawn (a
# screenshot is kept in the artifacts for a look by eye); Escape answers
# Cancel, Return answers OK and the program ends with exit code 0.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
start_xvfb 1024x768

start "$BIN/scenedemo"
demo=$LAST_PID
wait_window "Vorna! DEMO" >/dev/null || fail "no window"
close_window "Vorna! DEMO"
box=$(box_id "Vorna! DEMO") || fail "no question box"
sleep 0.5
shot "$ARTIFACTS/question.png"
# Black screen, box face, text and button faces: more than three colours.
[ "$("$XTOOL" colors "$ARTIFACTS/question.png")" -gt 3 ] || fail "the box shows no text"
press_key "$box" Escape
sleep 1
kill -0 "$demo" || fail "Escape (Cancel) ended the program"
[ "$(window_count "Vorna! DEMO")" = 1 ] || fail "box still open after Escape"

close_window "Vorna! DEMO"
box=$(box_id "Vorna! DEMO") || fail "no question box the second time"
sleep 0.3
press_key "$box" Return
wait_exit "$demo" 5; rc=$EXIT_CODE
[ "$rc" = 0 ] || fail "exit code after OK: $rc"
echo PASS
