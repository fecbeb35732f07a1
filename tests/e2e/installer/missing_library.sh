#!/usr/bin/env bash
# Without its archive library the installer does not start at all.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
source "$ZELK_SOURCE_DIR/tests/e2e/installer/installer_lib.sh"
unset DISPLAY WAYLAND_DISPLAY
rm "$CD/libq_arch32.so"
settings "TitleName=T" "ToDefDirName=Game"
archive small.lzh
cp "$CD/ini/q_unfold.ini" "$WORK/before.ini"
rc=0
(cd "$CD" && ./q_unfold) 2>"$ARTIFACTS/stderr.txt" || rc=$?
[ "$rc" = 127 ] || fail "exit code $rc"
grep -q "libq_arch32.so" "$ARTIFACTS/stderr.txt" || fail "said: $(cat "$ARTIFACTS/stderr.txt")"
[ ! -s "$BOXES" ] || fail "a box was shown"
[ -z "$(ls -A "$DRIVE")" ] || fail "something was written"
cmp -s "$WORK/before.ini" "$CD/ini/q_unfold.ini" || fail "settings changed"
echo PASS
