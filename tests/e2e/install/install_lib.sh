# Sourced by the installation tests after common/lib.sh.
BUILD=$(dirname "$BIN")
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
COMMANDS="scenedemo lensdemo spindemo ripdemo plasmademo zelkimg zelkrender zelkplay"

# demo_shows_first_pictures PROGRAM: starts an installed scenedemo from the
# root folder under its own Xvfb. It must find its data beside its real file:
# the door on the hill (tame.mag) fills the window exactly, then the title
# logo stands at (184, 198); the window's class is the one its menu entry
# names (docks and task bars match them so); no message box comes but the
# close question; closed, it ends with exit code 0.
demo_shows_first_pictures() {
  local program=$1 lib differing
  lib=$(dirname "$(readlink -f "$program")")
  "$lib/zelkimg" decode "$lib/data/tame.mag" "$WORK/tame.png" >/dev/null
  "$lib/zelkimg" decode "$lib/data/title.mag" "$WORK/title.png" >/dev/null
  start_xvfb 1024x768
  export ZELK_MSGBOX_ANSWERS=ok ZELK_MSGBOX_LOG=$ARTIFACTS/boxes.jsonl
  pushd / >/dev/null
  start "$program"
  popd >/dev/null
  local demo=$LAST_PID
  read -r id x y w h < <(wait_window "Vorna! DEMO") || fail "no window"
  differing=$("$XTOOL" wait-picture "$WORK/tame.png" "$x" "$y" 30) || {
    shot "$ARTIFACTS/screen.png"
    fail "the door on the hill never showed whole ($differing pixels differ; see screen.png)" \
      "$(head -n 3 "$ZELK_MSGBOX_LOG" 2>/dev/null)"
  }
  differing=$("$XTOOL" wait-picture "$WORK/title.png" $((x + 184)) $((y + 198)) 30) || {
    shot "$ARTIFACTS/screen.png"
    fail "the title never showed at (184, 198) ($differing pixels differ; see screen.png)"
  }
  local class
  class=$(sed -n 's/^StartupWMClass=//p' "$lib/../../share/applications/org.zelk.scenedemo.desktop")
  xprop -id "$id" WM_CLASS | grep -q "\"$class\"\$" || fail "the window's class is not '$class'"
  close_window "Vorna! DEMO"
  wait_exit "$demo" 30
  [ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"
  [ "$(wc -l <"$ZELK_MSGBOX_LOG")" = 1 ] && grep -q 'を終了します' "$ZELK_MSGBOX_LOG" ||
    fail "message boxes: $(cat "$ZELK_MSGBOX_LOG")"
}
