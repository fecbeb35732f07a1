#!/usr/bin/env bash
# scenedemo under openbox on today's screens: the window opens at the largest whole scale
# that fits with its frame, wholly on the usable area (a too large ZELK_SCALE is lowered, told);
# F11 fills the screen with the picture centred at 4:3 on black (at 2560×1440 exactly the
# renderer's picture ×3); F11, Escape give the window back; the close question shows over it.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
unset ZELK_SCALE
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
  read -r id _ < <(wait_window "Vorna! DEMO") || fail "no window"
  wait_until 20 eval "xprop -id $id _NET_FRAME_EXTENTS | grep -q =" || fail "no frame"
  read -r l r t b < <(xprop -id "$id" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  read -r x y w h < <(geometry "$id")
  read -r ax ay aw ah _ < <(xprop -root _NET_WORKAREA | sed 's/.*= //; s/,//g')
  [ $((x - l)) -ge "$ax" ] && [ $((y - t)) -ge "$ay" ] && [ $((x + w + r)) -le $((ax + aw)) ] &&
    [ $((y + h + b)) -le $((ay + ah)) ] || fail "$W×$H: frame $l $r $t $b around $x $y $w $h is off $ax $ay $aw $ah"
}
# bands: black from both sides up to $p pixels in, the picture's edges right after.
bands() {
  for at in "0 $p 000000" "$((W - p)) $p 000000" "$p 1 mixed" "$((W - p - 1)) 1 mixed"; do
    read -r x0 width colour <<<"$at"
    shot "$WORK/b.png" "$x0" 0 "$width" "$H" && [ "$(png_uniform "$WORK/b.png")" = "$colour" ] || return 1
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
  p=$(((W - H * 4 / 3) / 2))
  wait_until 20 bands || fail "$W×$H: not a centred picture between black bands"
  cycle=$(grep -m1 '"event":"cycle"' "$ZELK_TRACE" | sed 's/.*"tick":\([0-9]*\).*/\1/')
  [ "$W" != 2560 ] || "$XTOOL" wait-picture "$ARTIFACTS/expected3.png" 320 0 $((cycle + 15500)) \
    $((cycle + 23500)) || fail "not the picture enlarged three times"
  shot "$ARTIFACTS/full-$W.png"
  key F11 "$x" "$y" "$w" "$h"
  key F11 0 0 "$W" "$H"
  key Escape "$x" "$y" "$w" "$h"
  key F11 0 0 "$W" "$H"
  xdotool key alt+F4
  read -r bx by bw bh < <(geometry "$(box_id "Vorna! DEMO")") || fail "$W×$H: no close question"
  expect_text "$ARTIFACTS/question-$W.png" "$bx" "$by" "$bw" "$bh" "Vorna!DEMOを終了します" "キャンセル"
  shot "$ARTIFACTS/full-question-$W.png"
  xdotool key Return
  wait_exit "$LAST_PID" 30
  [ "$EXIT_CODE" = 0 ] || fail "$W×$H: exit code $EXIT_CODE"
done

screen 1366x768
ZELK_SCALE=2 demo
[ "$w $h $(cat "$WORK/err.txt")" = "640 480 scenedemo: ZELK_SCALE=2 makes the window larger than the \
screen's 1366x768; using scale 1" ] || fail "ZELK_SCALE=2 on 1366×768: ${w}×$h, $(cat "$WORK/err.txt")"
# A panel 260 rows high at the top of the screen: the window wholly below it.
echo '<openbox_config xmlns="http://openbox.org/3.4/rc"><margins><top>260</top></margins></openbox_config>' >"$WORK/panel.xml"
screen 1366x768 --config-file "$WORK/panel.xml"
demo
# Title bars so high that scale 2 no longer fits 1920×1080 with them: scale 1.
font='<font place="ActiveWindow"><size>90</size></font><font place="InactiveWindow"><size>90</size></font>'
echo "<openbox_config xmlns=\"http://openbox.org/3.4/rc\"><theme>$font</theme></openbox_config>" >"$WORK/rc.xml"
screen 1920x1080 --config-file "$WORK/rc.xml"
demo
[ "$w $h" = "640 480" ] && [ $((960 + t + b)) -gt 1080 ] || fail "${w}×$h under a frame of $t + $b rows"
echo PASS
