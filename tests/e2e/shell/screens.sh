#!/usr/bin/env bash
# scenedemo on today's screens, under a window manager (openbox): the window
# opens at the largest whole scale at which it fits with its frame (1 on
# 1366×768, 2 on 1920×1080 and 2560×1440), frame and all on the screen; a
# ZELK_SCALE too large is lowered and told. F11 fills the screen with the
# picture centred at 4:3 on black (on 2560×1440 exactly the renderer's
# picture three times enlarged); F11 again, and Escape, give the window back
# its place and size; the close question shows over the full screen, and
# Return ends the program with exit code 0.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
"$BIN/zelkrender" --cycle --at 18000 --out "$WORK/expected" scenedemo >/dev/null || fail "no picture"
"$XTOOL" zoom "$WORK"/expected/*.png "$ARTIFACTS/expected3.png" 3

# screen SIZE [OPENBOX ARGUMENTS]: a new X server of that size, managed by openbox.
screen() {
  [ -z "$XVFB_PID" ] || { kill "$XVFB_PID" && wait "$XVFB_PID" || true; }
  rm -f "$WORK/displayfd"
  start_xvfb "$1"
  start openbox --sm-disable "${@:2}"
  wait_until 20 eval "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'" || fail "no openbox"
  read -r W H <<<"${1/x/ }"
}
# demo: starts scenedemo; sets id, its client area (x y w h) and frame (l r t b).
demo() {
  start "$BIN/scenedemo" 2>"$WORK/err.txt"
  read -r id x y w h < <(wait_window "Vorna! DEMO") || fail "no window"
  wait_until 20 eval "xprop -id $id _NET_FRAME_EXTENTS | grep -q =" || fail "no frame"
  read -r l r t b < <(xprop -id "$id" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  read -r x y w h < <(geometry "$id")
  [ $((x - l)) -ge 0 ] && [ $((y - t)) -ge 0 ] && [ $((x + w + r)) -le "$W" ] &&
    [ $((y + h + b)) -le "$H" ] || fail "$W×$H: frame $l $r $t $b around $x $y $w $h is off the screen"
}
# framed_by_bands: black from both sides of the screen up to $p pixels in,
# and a picture's first and last columns right after.
framed_by_bands() {
  local at colour
  for at in "0 $p 000000" "$((W - p)) $p 000000" "$p 1 mixed" "$((W - p - 1)) 1 mixed"; do
    read -r x0 width colour <<<"$at"
    shot "$WORK/part.png" "$x0" 0 "$width" "$H" && [ "$(png_uniform "$WORK/part.png")" = "$colour" ] ||
      return 1
  done
}
shows() { [ "$(geometry "$id")" = "$*" ]; }
key() { xdotool key "$1" && wait_until 20 shows "${@:2}" || fail "$W×$H: after $1 not at ${*:2}"; }

for case in 1366x768:1 1920x1080:2 2560x1440:2; do
  screen "${case%:*}"
  export ZELK_TRACE=$WORK/trace-$W
  demo
  [ "$w $h" = "$((640 * ${case#*:})) $((480 * ${case#*:}))" ] || fail "$W×$H: window ${w}×$h"
  shot "$ARTIFACTS/window-$W.png"
  key F11 0 0 "$W" "$H"
  # The picture at 4:3, as high as the screen, between black bands that end
  # where it begins.
  p=$(((W - H * 4 / 3) / 2))
  wait_until 20 framed_by_bands || fail "$W×$H: not a centred picture between black bands"
  if [ "$W" = 2560 ]; then
    cycle=$(grep -m1 '"event":"cycle"' "$ZELK_TRACE" | sed 's/.*"tick":\([0-9]*\).*/\1/')
    "$XTOOL" wait-picture "$ARTIFACTS/expected3.png" 320 0 $((cycle + 15500)) $((cycle + 23500)) ||
      { shot "$ARTIFACTS/full-$W.png"; fail "not the picture enlarged three times"; }
  fi
  shot "$ARTIFACTS/full-$W.png"
  key F11 "$x" "$y" "$w" "$h"
  key F11 0 0 "$W" "$H"
  key Escape "$x" "$y" "$w" "$h"
  key F11 0 0 "$W" "$H"
  xdotool key alt+F4
  box=$(box_id "Vorna! DEMO") || fail "$W×$H: no close question"
  read -r bx by bw bh < <(geometry "$box")
  expect_text "$ARTIFACTS/question-$W.png" "$bx" "$by" "$bw" "$bh" "Vorna!DEMOを終了します" "キャンセル"
  shot "$ARTIFACTS/full-question-$W.png"
  xdotool key Return
  wait_exit "$LAST_PID" 30
  [ "$EXIT_CODE" = 0 ] || fail "$W×$H: exit code $EXIT_CODE"
done

# ZELK_SCALE=2 on 1366×768 would not fit: scale 1, and one line that says so.
screen 1366x768
ZELK_SCALE=2 demo
[ "$w $h" = "640 480" ] || fail "ZELK_SCALE=2 on 1366×768: window ${w}×$h"
[ "$(cat "$WORK/err.txt")" = "scenedemo: ZELK_SCALE=2 makes the window larger than the screen's 1366x768; using scale 1" ] ||
  fail "stderr: $(cat "$WORK/err.txt")"
# Title bars so high that scale 2 no longer fits 1920×1080 with them: scale 1.
font='<font place="ActiveWindow"><size>90</size></font><font place="InactiveWindow"><size>90</size></font>'
echo "<openbox_config xmlns=\"http://openbox.org/3.4/rc\"><theme>$font</theme></openbox_config>" >"$WORK/rc.xml"
screen 1920x1080 --config-file "$WORK/rc.xml"
demo
[ "$w $h" = "640 480" ] && [ $((960 + t + b)) -gt 1080 ] || fail "${w}×$h under a frame of $t + $b rows"
echo PASS
