#!/usr/bin/env bash
# A first run (no needs saved) onto a disk too small for the archives: the
# library compares what it measured with the free space and asks before
# writing anything; Cancel leaves the disk empty. The disk is a 16 KB tmpfs
# mounted in a mount namespace of the test's own.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
source "$ZELK_SOURCE_DIR/tests/e2e/installer/installer_lib.sh"
unset DISPLAY WAYLAND_DISPLAY
if [ "$(id -u)" = 0 ]; then ns=(unshare --mount); else ns=(unshare --user --map-root-user --mount); fi
if ! "${ns[@]}" sh -c "mount -t tmpfs -o size=16k tmpfs '$DRIVE'" 2>/dev/null; then
  echo "SKIP: no mount namespace with tmpfs here"
  exit 77
fi
settings "TitleName=T" "ToDefDirName=Game"
archive full.lzh  # 20703 bytes expanded
DRIVE=$DRIVE WORK=$WORK CD=$CD "${ns[@]}" bash -c '
  set -e
  mount -t tmpfs -o size=16k tmpfs "$DRIVE"
  df -B1 --output=avail "$DRIVE" | tail -1 >"$WORK/free.txt"
  cd "$CD"
  ZELK_MSGBOX_LOG=$WORK/cancel.jsonl ZELK_MSGBOX_ANSWERS=cancel ./q_unfold
  find "$DRIVE" -mindepth 1 >"$WORK/after-cancel.txt"
  ZELK_MSGBOX_LOG=$WORK/ok.jsonl ZELK_MSGBOX_ANSWERS=ok,ok ./q_unfold
  (cd "$DRIVE/Game" && find . -type f -printf "%p %s\n" | sort) >"$WORK/after-ok.txt"
' 2>"$ARTIFACTS/stderr.txt" || fail "run: $(cat "$ARTIFACTS/stderr.txt")"
cp "$WORK"/*.jsonl "$WORK"/*.txt "$ARTIFACTS/"
[ "$(cat "$WORK/free.txt")" -lt 20703 ] || fail "the disk is not small: $(cat "$WORK/free.txt")"
BOXES=$WORK/cancel.jsonl
[ "$(boxes | wc -l)" = 2 ] || fail "boxes: $(boxes)"
question='T|展開先の空き容量が足りない可能性があります。\r必要な容量: 20.2 KB\r空き容量: 16.0 KB\r解凍を続けますか?|8497'
[ "$(boxes | head -1)" = "$question" ] || fail "question: $(boxes)"
[ "$(boxes | tail -1)" = "T|解凍を中止しました。|8256" ] || fail "result: $(boxes)"
[ ! -s "$WORK/after-cancel.txt" ] || fail "written before asking: $(cat "$WORK/after-cancel.txt")"
settings_text | grep -qx 'needMByte0=0.02' || fail "needs not saved"

# OK goes on, and what does not fit is reported, never left cut.
BOXES=$WORK/ok.jsonl
[ "$(boxes | wc -l)" = 2 ] || fail "boxes: $(boxes)"
[[ "$(boxes | tail -1)" == *"|8208" ]] || fail "shortage not reported: $(boxes)"
while read -r path size; do
  [ "$size" = "$(stat -c %s "$FIXTURES/content/$path")" ] || fail "$path cut to $size"
done <"$WORK/after-ok.txt"
grep -q '/\.zelk:' "$WORK/after-ok.txt" && fail "temporary file left"
echo PASS
