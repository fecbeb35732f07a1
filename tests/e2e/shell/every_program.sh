#!/usr/bin/env bash
# Each demo program opens its titled window and ends with 0 after a confirmed
# close; on a 640×480 screen the window is a borderless pop-up covering it.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
start_xvfb 640x480
export ZELK_MSGBOX_ANSWERS=ok
for p in scenedemo lensdemo spindemo ripdemo plasmademo; do
  title="ZELK SYSTEM"
  [ "$p" = scenedemo ] && title="Vorna! DEMO"
  start "$BIN/$p"
  read -r id x y w h < <(wait_window "$title") || fail "$p: no window"
  [ "$x $y $w $h" = "0 0 640 480" ] || fail "$p: window at $x $y ${w}x${h}"
  close_window "$title"
  wait_exit "$LAST_PID" 30; rc=$EXIT_CODE
  [ "$rc" = 0 ] || fail "$p: exit code $rc"
done
echo PASS
