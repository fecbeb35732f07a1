#!/usr/bin/env bash
# Stopping the installer in the middle of a member: SIGTERM, SIGHUP and SIGINT
# end the run like Cancel (temporary file removed, the abandoned message,
# nothing started, the needs saved); after SIGKILL the next run removes what
# was left and installs everything whole. On a desktop the same SIGTERM comes
# while the progress window is up, and a SIGTERM while the message box is open
# ends the installer as it ends any program. Kills at a link's rename and at
# the settings' rename leave temporaries that the next run sweeps.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
source "$ZELK_SOURCE_DIR/tests/e2e/installer/installer_lib.sh"
unset DISPLAY WAYLAND_DISPLAY
"$ZELK_TEST_DIR/forge_archives" "$CD/LZH" big || fail "forge"
settings "TitleName=T" "ToDefDirName=Game" "ExeName=start.sh"
export ZELK_MSGBOX_ANSWERS= ZELK_TEST_MARKER=$WORK/started
# The program to start is already there: only the outcome decides.
mkdir -p "$DRIVE/Game"
printf '#!/bin/sh
touch "$ZELK_TEST_MARKER"
' >"$DRIVE/Game/start.sh"
chmod +x "$DRIVE/Game/start.sh"
shopt -s nullglob

# start_and_catch: starts the installer and stops it (SIGSTOP) while the
# member is being written under its temporary name.
start_and_catch() {
  : >"$BOXES"
  cd "$CD"
  start ./q_unfold
  cd - >/dev/null
  local tmp=() started=$SECONDS
  while :; do
    tmp=("$DRIVE"/Game/data/.zelk:*)
    [ ${#tmp[@]} -gt 0 ] && break
    kill -0 "$LAST_PID" 2>/dev/null || fail "installer ended before writing"
    [ $((SECONDS - started)) -lt 30 ] || fail "no temporary file in 30 s"
  done
  kill -STOP "$LAST_PID"
  tmp=("$DRIVE"/Game/data/.zelk:*)
  [ ${#tmp[@]} = 1 ] || fail "not caught in the middle of the member"
  echo "caught with $(stat -c %s "${tmp[0]}") bytes written"
}

# Nothing cut under a real name: big.bin is absent or whole, and the member
# after it was not started.
expect_nothing_cut() {
  [ -z "$(find "$DRIVE" -name '.zelk:*')" ] || fail "$1: temporary file left"
  [ ! -e "$DRIVE/Game/data/big.bin" ] || [ "$(stat -c %s "$DRIVE/Game/data/big.bin")" = $((64 << 20)) ] ||
    fail "$1: cut file under its name"
  [ ! -e "$DRIVE/Game/data/after.txt" ] || fail "$1: went on after the signal"
}

for sig in TERM HUP INT; do
  start_and_catch
  kill -"$sig" "$LAST_PID"
  kill -CONT "$LAST_PID"
  wait_exit "$LAST_PID" 30
  [ "$EXIT_CODE" = 0 ] || fail "SIG$sig: exit $EXIT_CODE"
  expect_boxes "T|解凍を中止しました。|8256"
  expect_nothing_cut "SIG$sig"
  sleep 0.3
  [ ! -e "$ZELK_TEST_MARKER" ] || fail "SIG$sig: program started"
  settings_text | grep -qx 'needMByte0=64.00' || fail "SIG$sig: needs not saved"
done

start_and_catch
kill -KILL "$LAST_PID"
wait_exit "$LAST_PID" 30
[ -n "$(find "$DRIVE" -name '.zelk:*')" ] || fail "nothing left by SIGKILL to clean"
run_unfold
expect_boxes "T|解凍が終了しました。|8256"
[ -z "$(find "$DRIVE" -name '.zelk:*')" ] || fail "temporary file survived the next run"
[ "$(stat -c %s "$DRIVE/Game/data/big.bin")" = $((64 << 20)) ] || fail "big.bin not whole"
[ "$(cat "$DRIVE/Game/data/after.txt")" = after ] || fail "after.txt"
wait_until 30 test -e "$ZELK_TEST_MARKER" || fail "program not started after the clean run"

start_xvfb
unset ZELK_MSGBOX_ANSWERS
rm -r "$DRIVE/Game/data"
start_and_catch
kill -TERM "$LAST_PID"
kill -CONT "$LAST_PID"
# The progress window has the box's caption: wait for the box itself.
started=$SECONDS
until box=$(box_id T 1) && [ "$("$XTOOL" geometry "$box" | cut -d' ' -f3-)" != "440 190" ]; do
  [ $((SECONDS - started)) -lt 30 ] || fail "no box on the desktop after SIGTERM"
done
shot "$ARTIFACTS/abandoned.png"
expect_nothing_cut "SIGTERM on the desktop"
kill -TERM "$LAST_PID"
wait_exit "$LAST_PID" 30
[ "$EXIT_CODE" != timeout ] || fail "SIGTERM did not end the installer while its box was open"

# Killed (by strace) between making a link and renaming it, then at the
# settings' rename: the next run sweeps what they left, and no name of others.
export ZELK_MSGBOX_ANSWERS=
rm "$CD/LZH/big.lzh"
"$ZELK_TEST_DIR/forge_archives" "$CD/LZH" link || fail "forge"
settings "TitleName=T" "ToDefDirName=Game" "ExeName=start.sh"
others=("$DRIVE/Game/.zelk:x" "$DRIVE/Game/.zelk-1" "$CD/ini/.q_unfold.ini:x" "$CD/ini/q_unfold.ini.1")
touch "${others[@]}"
# stop_at CALL N LEFT: kills the installer at its Nth CALL; LEFT is what it leaves.
stop_at() {
  (cd "$CD" && strace -f -qq -o /dev/null -e trace="$1" -e inject="$1":signal=KILL:when="$2" ./q_unfold) &&
    fail "not stopped at $1"
  compgen -G "$3" >/dev/null || fail "nothing left by a stop at $1"
}
stop_at renameat 2 "$DRIVE/Game/.zelk:[0-9]*"  # the file's, then the link's
stop_at rename 1 "$CD/ini/.q_unfold.ini:[0-9]*"
run_unfold
[ -z "$(find "$DRIVE" "$CD" -name '*:[0-9]*')" ] || fail "left: $(find "$DRIVE" "$CD" -name '*:[0-9]*')"
ls "${others[@]}" >/dev/null || fail "a file of the user's was removed"
echo PASS
