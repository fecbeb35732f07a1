#!/usr/bin/env bash
# Without a display the programs end with exit code 0 and one line saying why.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
unset DISPLAY WAYLAND_DISPLAY
for p in scenedemo lensdemo; do
  rc=0
  "$BIN/$p" 2>"$ARTIFACTS/$p.err" || rc=$?
  [ "$rc" = 0 ] || fail "$p: exit code $rc"
  grep -q "^$p: cannot open a window: " "$ARTIFACTS/$p.err" || fail "$p said: $(cat "$ARTIFACTS/$p.err")"
  [ "$(wc -l <"$ARTIFACTS/$p.err")" = 1 ] || fail "$p: more than one line"
done
echo PASS
