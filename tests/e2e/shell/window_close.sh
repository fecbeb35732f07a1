#!/usr/bin/env bash
# scenedemo opens its 640×480 window, centred; a second demo program started
# while it runs exits 0 without a window; the close question is asked (logged),
# Cancel keeps it running, OK ends it with exit code 0.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
start_xvfb 1024x768

export ZELK_MSGBOX_LOG=$ARTIFACTS/boxes.jsonl
export ZELK_MSGBOX_ANSWERS=cancel,ok
start "$BIN/scenedemo"
demo=$LAST_PID
read -r id x y w h < <(wait_window "Vorna! DEMO") || fail "no window"
[ "$w" = 640 ] && [ "$h" = 480 ] || fail "client area is ${w}x${h}"
[ "$x" = 192 ] && [ "$y" = 153 ] || fail "window not centred: $x,$y"

for p in lensdemo spindemo ripdemo plasmademo scenedemo; do
  start "$BIN/$p"
  wait_exit "$LAST_PID" 30; rc=$EXIT_CODE
  [ "$rc" = 0 ] || fail "second program $p: $rc"
done
[ "$(window_count "ZELK SYSTEM")" = 0 ] || fail "a second program opened a window"
[ "$(window_count "Vorna! DEMO")" = 1 ] || fail "a second scenedemo window"

close_window "Vorna! DEMO"
wait_until 30 answered 1 || fail "no question asked"
kill -0 "$demo" || fail "cancelled close ended the program"
[ "$(wc -l <"$ZELK_MSGBOX_LOG")" = 1 ] || fail "question not asked once"
close_window "Vorna! DEMO"
wait_exit "$demo" 30; rc=$EXIT_CODE
[ "$rc" = 0 ] || fail "exit code after OK: $rc"
expected='{"answer":2,"caption":"Vorna! DEMO","style":33,"text":"Vorna! DEMOを終了します。よろしいですか？"}'
[ "$(head -n1 "$ZELK_MSGBOX_LOG")" = "$expected" ] || fail "logged question: $(head -n1 "$ZELK_MSGBOX_LOG")"
[ "$(sed -n 2p "$ZELK_MSGBOX_LOG")" = "${expected/\"answer\":2/\"answer\":1}" ] || fail "second answer"
echo PASS
