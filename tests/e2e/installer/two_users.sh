#!/usr/bin/env bash
# One user's installer beside another local user (numeric ids, no accounts
# made): the other's case variant of the medium's folder, lock files in a
# private /tmp, a linked private settings file and a second run into the same
# destination change nothing of the run, block nothing and leak nothing.
if [ -z "${ZELK_PRIVATE_TMP:-}" ]; then
  [ "$(id -u)" = 0 ] || { echo "SKIP: only root can run the installer as two other users"; exit 77; }
  unshare -m true 2>/dev/null || { echo "SKIP: no mount namespace here for a private /tmp"; exit 77; }
  exec unshare -m --propagation private bash -c \
    'mount -t tmpfs -o mode=1777 zelk-tmp /tmp && ZELK_PRIVATE_TMP=1 exec bash "$0"' "$0"
fi
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
source "$ZELK_SOURCE_DIR/tests/e2e/installer/installer_lib.sh"
unset DISPLAY WAYLAND_DISPLAY
ME=61001 OTHER=61002
as() { setpriv --reuid="$1" --regid="$1" --clear-groups "${@:2}"; }
chmod 755 "$WORK" && mkdir -m 1777 "$WORK/shared" && mv "$CD" "$WORK/shared/vorna"
CD=$WORK/shared/VORNA
mkdir -p "$CD/ini" "$CD/LZH" && settings "ToDefDirName=Evil" && archive full.lzh && chown -R $OTHER "$CD"
CD=$WORK/shared/vorna
archive small.lzh
# unfold [ENV…]: the medium's installer run by the user, every box answered OK.
unfold() {
  : >"$BOXES"
  chown -R $ME:$ME "$CD" "$DRIVE" "$BOXES" "$WORK/run"
  (cd "$CD" && as $ME env "$@" ZELK_MSGBOX_ANSWERS= ./q_unfold) 2>"$ARTIFACTS/stderr.txt" ||
    fail "q_unfold: $(cat "$ARTIFACTS/stderr.txt")"
}

settings "TitleName=Vorna" "ToDefDirName=Game" "ExeName=readme.txt"
mv "$CD/ini/q_unfold.ini" "$DRIVE/private.ini" && chmod 600 "$DRIVE/private.ini"
ln -s "$DRIVE/private.ini" "$CD/ini/q_unfold.ini"
unfold
expect_boxes "Vorna|解凍が終了しました。|8256"
[ -f "$DRIVE/Game/readme.txt" ] && [ ! -e "$DRIVE/Evil" ] || fail "another user's medium was installed"
! as $OTHER cat "$CD/ini/q_unfold.ini" >/dev/null 2>&1 || fail "the settings written are open to others"

as $OTHER bash -c 'mkdir -m 777 /tmp/zelk-61001 && touch /tmp/zelk-qarch-61001.lock /tmp/zelk-61001/zelk-qarch.lock'
start as $OTHER bash -c 'exec 8</tmp/zelk-qarch-61001.lock 9</tmp/zelk-61001/zelk-qarch.lock
  flock 8 && flock 9 && echo held >/tmp/held && exec sleep 60' >/dev/null 2>&1
wait_file /tmp/held
unfold -u XDG_RUNTIME_DIR
expect_boxes "Vorna|解凍が終了しました。|8256"
[ "$(grep -c lock "$ARTIFACTS/stderr.txt")" = 1 ] || fail "not one line on the lock: $(cat "$ARTIFACTS/stderr.txt")"

rm "$CD"/LZH/*
"$ZELK_TEST_DIR/forge_archives" "$CD/LZH" big || fail "forge"
settings "TitleName=Vorna" "ToDefDirName=Big" "ExeName=readme.txt"
chown -R $ME:$ME "$CD"
start bash -c 'cd "$0" && exec setpriv --reuid=61001 --regid=61001 --clear-groups env ZELK_MSGBOX_ANSWERS= \
  ZELK_MSGBOX_LOG=/tmp/first.jsonl ./q_unfold 2>/dev/null' "$CD"
until compgen -G "$DRIVE/Big/data/.zelk:*" >/dev/null; do kill -0 $LAST_PID || fail "no expansion"; done
kill -STOP $LAST_PID
mkdir -m 700 /tmp/run2 && chown $ME /tmp/run2  # a lock folder of its own
unfold XDG_RUNTIME_DIR=/tmp/run2
expect_boxes "Vorna|ほかの解凍が終わるまでお待ちください。|8240"
kill -CONT $LAST_PID
wait_exit $LAST_PID 60
BOXES=/tmp/first.jsonl expect_boxes "Vorna|解凍が終了しました。|8256"
[ "$(stat -c %s "$DRIVE/Big/data/big.bin")" = $((64 << 20)) ] || fail "big.bin not whole"
[ -z "$(find "$DRIVE" -name '.zelk:*')" ] || fail "temporary files left"
echo PASS
