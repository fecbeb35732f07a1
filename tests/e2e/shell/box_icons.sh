#!/usr/bin/env bash
# The icons of the boxes real programs show, each box read by OCR and kept as
# a picture for a look: stop (a picture missing), exclamation (the installer's
# question about an old library) and information (the installer's result);
# the question icon is real_box's. The installer's boxes have no owner and are
# centred on the screen.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
source "$ZELK_SOURCE_DIR/tests/e2e/installer/installer_lib.sh"
start_xvfb 1024x768
unset ZELK_MSGBOX_LOG

# shoot_box TITLE NAME WORD…: waits for the box, keeps its picture, reads it.
shoot_box() {
  BOX=$(box_id "$1") || fail "$2: no box"
  read -r BX BY BW BH < <(geometry "$BOX")
  expect_text "$ARTIFACTS/$2.png" "$BX" "$BY" "$BW" "$BH" "${@:3}"
}

dir=$WORK/plasmademo
mkdir -p "$dir"
cp "$BIN/plasmademo" "$dir/"
start "$dir/plasmademo"
demo=$LAST_PID
shoot_box "$dir/red.mag" stop "Can'tfileopen"
kill -9 "$demo"

use_fake_library
settings "TitleName=インストール" "ToDefDirName=Game" "ExeName=none"
archive small.lzh
cd "$CD"
start env FAKE_QARCH_VERSION=12 ./q_unfold
unfold=$LAST_PID
shoot_box インストール exclamation "ARCH32.DLL" "解凍を行ないますか"
[ $((BX + BW / 2)) -ge 511 ] && [ $((BX + BW / 2)) -le 513 ] || fail "not centred on the screen"
xdotool key Return  # キャンセル, the default
wait_until 30 eval '! geometry "$BOX" >/dev/null 2>&1' || fail "the question stayed open"
shoot_box インストール version-error "VersionError"
xdotool key Return
wait_exit "$unfold" 30
[ "$EXIT_CODE" = 0 ] || fail "q_unfold after Cancel: $EXIT_CODE"

start ./q_unfold
unfold=$LAST_PID
shoot_box インストール information "解凍が終了しました"
xdotool key Return
wait_exit "$unfold" 30
[ "$EXIT_CODE" = 0 ] || fail "q_unfold after its result: $EXIT_CODE"
echo PASS
