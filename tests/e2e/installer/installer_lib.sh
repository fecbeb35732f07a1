# Sourced by the installer's end-to-end tests after common/lib.sh: an
# installation folder as on a distribution disc (q_unfold with its archive
# library beside it, ini/ and LZH/), a drive root for the destination, and the
# log of every message box.
FIXTURES=$ZELK_SOURCE_DIR/tests/fixtures/lzh
CD=$WORK/cd
DRIVE=$WORK/drive
BOXES=$WORK/boxes.jsonl
export ZELK_DRIVE_ROOT=$DRIVE
export ZELK_MSGBOX_LOG=$BOXES
mkdir -p "$CD/ini" "$CD/LZH" "$DRIVE"
cp "$BIN/q_unfold" "$BIN/libq_arch32.so" "$CD/"

use_fake_library() { cp "$ZELK_TEST_DIR/fake_qarch/libq_arch32.so" "$CD/"; }

# settings LINE…: the settings file, in code page 932 with CRLF line ends.
settings() {
  { printf '[LZHファイルの解凍条件]\r\n'; for l in "$@"; do printf '%s\r\n' "$l"; done; } |
    iconv -f UTF-8 -t CP932 >"$CD/ini/q_unfold.ini"
}
# The settings file as UTF-8 without CRs (whatever the case of its name).
settings_text() { iconv -f CP932 -t UTF-8 "$CD"/ini/* | tr -d '\r'; }

# archive FIXTURE [NAME]: puts a fixture archive into LZH/.
archive() { cp "$FIXTURES/$1" "$CD/LZH/${2:-$1}"; }

# run_unfold: runs the installer from its folder; boxes are answered from
# $ANSWERS (default: OK to all). Fails unless it ends with exit code 0.
run_unfold() {
  : >"$BOXES"
  local rc=0
  (cd "$CD" && ZELK_MSGBOX_ANSWERS=${ANSWERS:-} ./q_unfold) 2>"$ARTIFACTS/stderr.txt" || rc=$?
  [ "$rc" = 0 ] || fail "q_unfold ended with $rc: $(cat "$ARTIFACTS/stderr.txt")"
}

# boxes: one line per box shown, "caption|text|style" (CR written as \r, as
# the log's JSON has it; keys come sorted).
boxes() {
  sed -E 's/^\{"answer":[0-9]+,"caption":"(.*)","style":([0-9]+),"text":"(.*)"\}$/\1|\3|\2/' "$BOXES"
}

# expect_boxes LINE…: the boxes shown were exactly these.
expect_boxes() {
  local want
  want=$(printf '%s\n' "$@")
  [ "$(boxes)" = "$want" ] || fail "boxes were:
$(boxes)
expected:
$want"
}

# wait_file PATH: waits until the file exists and is not empty.
wait_file() { wait_until 30 test -s "$1" || fail "$1 did not appear"; }
