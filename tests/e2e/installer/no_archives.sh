#!/usr/bin/env bash
# An empty or missing archive folder: "File Exist Error" and nothing saved.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
source "$ZELK_SOURCE_DIR/tests/e2e/installer/installer_lib.sh"
unset DISPLAY WAYLAND_DISPLAY
settings "TitleName=T" "ToDefDirName=Game"
cp "$CD/ini/q_unfold.ini" "$WORK/before.ini"
mkdir "$CD/LZH/folder-only"
run_unfold
expect_boxes "T|File Exist Error|8208"
rm -r "$CD/LZH"
run_unfold
expect_boxes "T|File Exist Error|8208"
cmp -s "$WORK/before.ini" "$CD/ini/q_unfold.ini" || fail "settings changed"
[ -z "$(ls -A "$DRIVE")" ] || fail "something was written"
echo PASS
