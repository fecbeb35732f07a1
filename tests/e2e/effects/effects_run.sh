#!/usr/bin/env bash
# Each effect program, run from a folder holding its pictures, shows its effect
# as the headless renderer draws it from the same pictures: spindemo and
# plasmademo repeat every 256 frames, so a screenshot is one of those frames;
# lensdemo shows the picture with the lens somewhere; ripdemo shows the
# background around the ripple. Each asks before closing and ends with exit
# code 0; in plasmademo a cancelled question lets the effect run on.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
start_xvfb 1024x768

# run_effect PROGRAM ANSWERS: starts PROGRAM from its own folder, checks that
# it moves, and closes it once (the answers list decides how it ends).
run_effect() {
  local p=$1 dir=$WORK/$1
  mkdir -p "$dir"
  cp "$BIN/$p" "$dir/"
  "$ZELK_TEST_DIR/effect_pictures" "$dir" || fail "$p: pictures not written"
  "$BIN/zelkrender" --data "$dir" --frames 260 --out "$WORK/$p-frames" "$p" >/dev/null ||
    fail "$p: frames not rendered"
  export ZELK_MSGBOX_LOG=$ARTIFACTS/$p.jsonl ZELK_MSGBOX_ANSWERS=$2 ZELK_TRACE=$WORK/$p.trace
  start "$dir/$p"
  PID=$LAST_PID
  read -r id X Y w h < <(wait_window "ZELK SYSTEM") || fail "$p: no window"
  more_frames 3 || fail "$p: no pictures shown"
  moving "$p" first
  close_window "ZELK SYSTEM"
}

# moving PROGRAM TAG: two screenshots of the client area, pictures apart, show
# two different frames of the effect.
moving() {
  local a=$ARTIFACTS/$1-$2-a.png b=$ARTIFACTS/$1-$2-b.png frames=$WORK/$1-frames
  local first=$frames/$(ls "$frames" | head -1) k box
  shot "$a" "$X" "$Y" 640 480
  more_frames 2 || fail "$1: no more pictures shown"
  shot "$b" "$X" "$Y" 640 480
  [ "$("$XTOOL" diff "$a" "$b")" -gt 1000 ] || fail "$1: the picture does not move"
  for k in "$a" "$b"; do
    case $1 in
      spindemo | plasmademo)
        [ "$("$XTOOL" match "$k" "$frames"/*.png)" != -1 ] ||
          fail "$1: $(basename "$k") is none of the frames of one period"
        ;;
      lensdemo)
        # Against the first frame: only the lens squares (128 × 128 each, the
        # first one in the middle) may differ.
        read -r n box < <("$XTOOL" diff-box "$k" "$first")
        [ "$n" -gt 0 ] && [ "$n" -le $((2 * 128 * 128)) ] ||
          fail "$1: $(basename "$k") differs from the picture in $n pixels ($box)"
        ;;
      ripdemo)
        read -r n box < <("$XTOOL" diff-box "$k" "$first")
        read -r x0 y0 x1 y1 <<<"$box"
        [ "$n" -gt 0 ] && [ "$x0" -ge 160 ] && [ "$y0" -ge 120 ] && [ "$x1" -le 480 ] &&
          [ "$y1" -le 360 ] || fail "$1: $(basename "$k") differs outside the ripple: $n ($box)"
        ;;
    esac
  done
}

question='"caption":"ZELK SYSTEM","style":33,"text":"ZELK SYSTEMを終了します。よろしいですか？"'

for p in lensdemo spindemo ripdemo; do
  run_effect "$p" ok
  wait_exit "$PID" 30
  [ "$EXIT_CODE" = 0 ] || fail "$p: exit code $EXIT_CODE"
  [ "$(cat "$ZELK_MSGBOX_LOG")" = "{\"answer\":1,$question}" ] ||
    fail "$p: boxes: $(cat "$ZELK_MSGBOX_LOG")"
done

run_effect plasmademo cancel,ok
wait_until 30 test -s "$ZELK_MSGBOX_LOG" || fail "plasmademo: no question asked"
kill -0 "$PID" || fail "plasmademo: Cancel ended the program"
moving plasmademo after-cancel
close_window "ZELK SYSTEM"
wait_exit "$PID" 30
[ "$EXIT_CODE" = 0 ] || fail "plasmademo: exit code $EXIT_CODE"
[ "$(wc -l <"$ZELK_MSGBOX_LOG")" = 2 ] || fail "plasmademo: boxes: $(cat "$ZELK_MSGBOX_LOG")"
echo PASS
