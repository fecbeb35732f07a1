#!/usr/bin/env bash
# `make install` into a fresh prefix: every program and library is stripped
# and the whole prefix takes at most 45 MB; every command on PATH leads to its
# program in lib/zelk and has a manual page that renders without warnings;
# the tools tell the project's version; each demo has a valid menu entry
# whose icon exists at every size and valid metainfo; the installed
# scenedemo, started through its link from another folder, finds its data;
# scripts/uninstall then leaves no file behind.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
source "$ZELK_SOURCE_DIR/tests/e2e/install/install_lib.sh"
P=$WORK/prefix
make -C "$ZELK_SOURCE_DIR" --no-print-directory install BUILD_DIR="$BUILD" PREFIX="$P" \
  >"$ARTIFACTS/install.log" 2>&1 || fail "make install: $(tail -n 5 "$ARTIFACTS/install.log")"
find "$P" -type f -exec file {} + | grep ' ELF ' >"$ARTIFACTS/programs.txt"
[ "$(grep -c ' ELF ' "$ARTIFACTS/programs.txt")" -ge 10 ] || fail "programs: $(cat "$ARTIFACTS/programs.txt")"
! grep -v ', stripped$' "$ARTIFACTS/programs.txt" || fail "not stripped (above)"
# Sanitizer programs are several times larger; the limit is for what users build.
if ! grep -q '^ZELK_SANITIZE:BOOL=ON$' "$BUILD/CMakeCache.txt"; then
  size=$(du -sm "$P" | cut -f1)
  [ "$size" -le 45 ] || fail "the prefix takes $size MB"
fi

for c in $COMMANDS; do
  [ "$(readlink -f "$P/bin/$c")" = "$P/lib/zelk/$c" ] || fail "bin/$c does not lead to lib/zelk/$c"
  MANWIDTH=80 man --warnings -E UTF-8 -l "$P/share/man/man1/$c.1.gz" >"$ARTIFACTS/$c.1.txt" \
    2>"$ARTIFACTS/$c.1.warnings" || fail "man $c failed"
  [ ! -s "$ARTIFACTS/$c.1.warnings" ] || fail "man $c: $(cat "$ARTIFACTS/$c.1.warnings")"
  grep -q "^ *$c  *- " "$ARTIFACTS/$c.1.txt" || fail "the page of $c does not name it"
done
for t in zelkimg zelkrender zelkplay; do
  v=$(PATH=$P/bin:$PATH "$t" --version) || fail "$t --version failed"
  [ "$v" = "$t $VERSION" ] || fail "$t --version said '$v'"
done

# png_size FILE: "WIDTH HEIGHT" of an RGBA PNG, from its IHDR.
png_size() {
  od -An -tu1 -N26 "$1" | tr -s ' \n' ' ' | awk '$1 == 137 && $2 == 80 && $26 == 6 {
    print $17 * 16777216 + $18 * 65536 + $19 * 256 + $20, $21 * 16777216 + $22 * 65536 + $23 * 256 + $24 }'
}
for d in scenedemo lensdemo spindemo ripdemo plasmademo; do
  entry=$P/share/applications/org.zelk.$d.desktop
  desktop-file-validate "$entry" || fail "$entry is not valid"
  [ "$(sed -n 's/^Exec=//p' "$entry")" = "$d" ] || fail "$entry does not start $d"
  icon=$(sed -n 's/^Icon=//p' "$entry")
  for s in 16 22 24 32 48 64 128 256; do
    [ "$(png_size "$P/share/icons/hicolor/${s}x$s/apps/$icon.png")" = "$s $s" ] ||
      fail "no ${s}x$s RGBA icon $icon"
  done
  metainfo=$P/share/metainfo/org.zelk.$d.metainfo.xml
  appstreamcli validate --no-net "$metainfo" >"$ARTIFACTS/$d.metainfo.txt" 2>&1 ||
    fail "$metainfo: $(cat "$ARTIFACTS/$d.metainfo.txt")"
  grep -q "<launchable type=\"desktop-id\">org.zelk.$d.desktop<" "$metainfo" ||
    fail "$metainfo does not name the menu entry"
done

demo_shows_first_pictures "$P/bin/scenedemo"

"$ZELK_SOURCE_DIR/scripts/uninstall" "$BUILD" "$P" >/dev/null
left=$(cd "$P" && find . ! -type d)
[ -z "$left" ] || fail "left after uninstall: $left"
echo PASS
