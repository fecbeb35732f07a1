#!/usr/bin/env bash
# The zelkimg binary as people run it: "-" for standard input and output
# wherever one file is named, no picture written to a terminal, failures that
# give their reason, and usage and help that name the program without the
# parser's type names. Needs no display.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
Z=$BIN/zelkimg
DATA=$BIN/data
cd "$WORK"

# "-": the same bytes through pipes as through files.
"$Z" decode "$DATA/tame.mag" tame.png && "$Z" decode - - <"$DATA/tame.mag" | cmp -s - tame.png ||
  fail "decode - -"
"$Z" encode tame.png tame.mag && "$Z" encode - - <tame.png | cmp -s - tame.mag || fail "encode - -"
"$Z" info - <"$DATA/msg1.dar" | grep -q '^patterns: 3$' || fail "info -"
"$Z" dar-unpack - parts <"$DATA/msg1.dar" >/dev/null &&
  "$Z" dar-pack - parts/pattern00{0,1,2}.png --color-table - <parts/colors.bin |
  cmp -s - "$DATA/msg1.dar" || fail "dar-unpack -, dar-pack - --color-table -"
"$Z" dar-draw "$DATA/msg1.dar" tame.png 1 10 20 drawn.png &&
  "$Z" dar-draw - tame.png 1 10 20 - <"$DATA/msg1.dar" | cmp -s - drawn.png &&
  "$Z" dar-draw "$DATA/msg1.dar" - 1 10 20 - <tame.png | cmp -s - drawn.png || fail "dar-draw -"

# refused|failed CODE WANT ARGS…: that exit code and message, nothing written.
expect() {
  local want_code=$1 want=$2 code=0
  shift 2
  "$@" >out.bin 2>err.txt </dev/null || code=$?
  [ "$code" = "$want_code" ] && [ "$(cat err.txt)" = "zelkimg: $want" ] && [ ! -s out.bin ] ||
    fail "$*: exit code $code, said '$(cat err.txt)'"
}
expect 2 "standard input can be read once: give - for one input only" "$Z" dar-draw - - 1 0 0 x.png
expect 2 "- names one file, not a folder: name the folder to write into" \
  "$Z" dar-unpack "$DATA/msg1.dar" -
expect 1 "cannot open missing.mag: No such file or directory" "$Z" decode missing.mag x.png
expect 1 "cannot open $WORK: Is a directory" "$Z" info "$WORK"
expect 1 "cannot write $WORK/none/x.png: No such file or directory" \
  "$Z" decode "$DATA/tame.mag" "$WORK/none/x.png"
mkdir -m 755 shared && cp "$Z" shared/ && cp "$DATA/tame.mag" shared/private.mag
chmod 600 shared/private.mag && chmod 711 "$WORK"
expect 1 "cannot open shared/private.mag: Permission denied" \
  setpriv --reuid=65534 --regid=65534 --clear-groups shared/zelkimg info shared/private.mag
[ ! -e x.png ] && [ ! -e ./- ] || fail "a refused or failed command wrote a file"

# A picture is not written to a terminal (script gives the tool one).
script -qec "'$Z' decode '$DATA/tame.mag' -; echo \"exit \$?\"" /dev/null >tty.txt
grep -q "^zelkimg: standard output is a terminal: send it to a file or a pipe" tty.txt &&
  grep -q "^exit 2" tty.txt && ! grep -qa PNG tty.txt || fail "on a terminal: $(head -c 300 tty.txt)"

# Usage names the program as called by any path; help has no type names.
(cd "$BIN" && ./zelkimg decode --help) | grep -q '^Usage: zelkimg decode \[OPTIONS\] IN OUT$' ||
  fail "usage: $(cd "$BIN" && ./zelkimg decode --help | head -n 3)"
for c in "" decode encode info dar-pack dar-unpack dar-draw thumbnail; do
  "$Z" $c --help >help.txt || fail "$c --help"
  ! grep -E '\b(U?INT|FLOAT|REQUIRED)\b|^  [A-Z]+ TEXT|\[[0-9]+ - [0-9]+\]|:\{' help.txt ||
    fail "zelkimg $c --help shows type names (above)"
done
echo PASS
