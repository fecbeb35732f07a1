#!/usr/bin/env bash
# Each effect program, run from a folder holding its pictures, shows its effect
# (two screenshots a moment apart are neither black nor equal), asks before
# closing and ends with exit code 0. In plasmademo a cancelled question lets
# the effect run on.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
start_xvfb 1024x768

# run_effect PROGRAM ANSWERS: starts PROGRAM from its own folder, checks that
# it moves, and closes it once (the answers list decides how it ends).
run_effect() {
  local p=$1 dir=$WORK/$1
  mkdir -p "$dir"
  cp "$BIN/$p" "$dir/"
  "$ZELK_TEST_DIR/effect_pictures" "$dir" || fail "$p: pictures not written"
  export ZELK_MSGBOX_LOG=$ARTIFACTS/$p.jsonl ZELK_MSGBOX_ANSWERS=$2
  start "$dir/$p"
  PID=$LAST_PID
  read -r id X Y w h < <(wait_window "ZELK SYSTEM") || fail "$p: no window"
  sleep 0.5
  moving "$p" first
  close_window "ZELK SYSTEM"
}

# moving PROGRAM TAG: two screenshots of the client area differ and show a picture.
moving() {
  local a=$ARTIFACTS/$1-$2-a.png b=$ARTIFACTS/$1-$2-b.png
  shot "$a" "$X" "$Y" 640 480
  sleep 0.3
  shot "$b" "$X" "$Y" 640 480
  [ "$(png_uniform "$a")" = mixed ] || fail "$1: the window shows one colour"
  [ "$("$XTOOL" colors "$a")" -gt 16 ] || fail "$1: too few colours for the effect"
  [ "$("$XTOOL" diff "$a" "$b")" -gt 1000 ] || fail "$1: the picture does not move"
}

question='"caption":"ZELK SYSTEM","style":33,"text":"ZELK SYSTEMを終了します。よろしいですか？"'

for p in lensdemo spindemo ripdemo; do
  run_effect "$p" ok
  wait_exit "$PID" 5
  [ "$EXIT_CODE" = 0 ] || fail "$p: exit code $EXIT_CODE"
  [ "$(cat "$ZELK_MSGBOX_LOG")" = "{\"answer\":1,$question}" ] ||
    fail "$p: boxes: $(cat "$ZELK_MSGBOX_LOG")"
done

run_effect plasmademo cancel,ok
sleep 0.5
kill -0 "$PID" || fail "plasmademo: Cancel ended the program"
moving plasmademo after-cancel
close_window "ZELK SYSTEM"
wait_exit "$PID" 5
[ "$EXIT_CODE" = 0 ] || fail "plasmademo: exit code $EXIT_CODE"
[ "$(wc -l <"$ZELK_MSGBOX_LOG")" = 2 ] || fail "plasmademo: boxes: $(cat "$ZELK_MSGBOX_LOG")"
echo PASS
