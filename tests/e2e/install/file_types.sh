#!/usr/bin/env bash
# MAG pictures and DAR pattern archives on a desktop, after `cmake --install`
# into a fresh prefix: xdg-mime, asking as a GNOME session does, names both
# types by file name and by content alone, and keeps a Disk ARchive apart
# from a pattern archive though both end in .dar; the thumbnailer entries,
# run as a file manager runs them, make a MAG thumbnail through gdk-pixbuf's
# own thumbnailer and our loader (the same picture zelkimg makes of it) and a
# sheet of a DAR archive's patterns; scripts/uninstall then leaves nothing,
# not even the MIME database the installation made.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
source "$ZELK_SOURCE_DIR/tests/e2e/install/install_lib.sh"
P=$WORK/prefix
cmake --install "$BUILD" --prefix "$P" >"$ARTIFACTS/install.log" 2>&1

# png_size FILE: "WIDTH HEIGHT COLOURTYPE" from the PNG's IHDR.
png_size() {
  od -An -tu1 -N26 "$1" | tr -s ' \n' ' ' | awk '$1 == 137 && $2 == 80 {
    print $17 * 16777216 + $18 * 65536 + $19 * 256 + $20, $21 * 16777216 + $22 * 65536 + $23 * 256 + $24, $26 }'
}

export XDG_DATA_DIRS=$P/share:/usr/share XDG_CURRENT_DESKTOP=GNOME
files=$WORK/files
mkdir "$files"
cp "$BIN/data/fm.mag" "$files/picture.mag"
cp "$BIN/data/fm.mag" "$files/picture"
cp "$BIN/data/nolu.dar" "$files/figure.dar"
cp "$BIN/data/nolu.dar" "$files/figure"
# A pattern archive from another writer: its first five bytes are free.
cp "$BIN/data/nolu.dar" "$files/other.dar"
printf 'ABCDE' | dd of="$files/other.dar" conv=notrunc status=none
cp "$files/other.dar" "$files/other"
# A Disk ARchive backup begins with the 32-bit number 123.
{ printf '\000\000\000\173'; head -c 2000 /dev/zero; } >"$files/backup.dar"
expect_type() {
  local got
  got=$(xdg-mime query filetype "$files/$1") || fail "xdg-mime failed on $1"
  [ "$got" = "$2" ] || fail "xdg-mime calls $1 '$got', not $2"
}
expect_type picture.mag image/x-mag
expect_type picture image/x-mag
expect_type figure.dar application/x-zelk-dar
expect_type figure application/x-zelk-dar
expect_type other.dar application/x-zelk-dar
expect_type other application/x-zelk-dar
expect_type backup.dar application/x-dar

# The loader lies in gdk-pixbuf's module folder below the prefix; programs
# find it through a loader cache that names it.
moduledir=$(pkg-config --variable=gdk_pixbuf_moduledir gdk-pixbuf-2.0)
loader=$P/${moduledir#"$(pkg-config --variable=prefix gdk-pixbuf-2.0)"/}/libpixbufloader-mag.so
[ -f "$loader" ] || fail "no $loader"
"$(pkg-config --variable=gdk_pixbuf_query_loaders gdk-pixbuf-2.0)" "$loader" >"$WORK/loaders.cache"
export GDK_PIXBUF_MODULE_FILE=$WORK/loaders.cache

# thumbnail ENTRY INPUT OUTPUT SIZE: the entry's Exec line with its fields
# filled in, run as a file manager runs it.
thumbnail() {
  local words w command=()
  read -r -a words <<<"$(sed -n 's/^Exec=//p' "$P/share/thumbnailers/$1")"
  for w in "${words[@]}"; do
    case $w in
      %i) command+=("$2") ;; %u) command+=("file://$2") ;; %o) command+=("$3") ;; %s) command+=("$4") ;;
      *) command+=("$w") ;;
    esac
  done
  PATH=$P/bin:$PATH "${command[@]}" >"$ARTIFACTS/$1.log" 2>&1 || fail "$1: $(cat "$ARTIFACTS/$1.log")"
}
thumbnail zelk-mag.thumbnailer "$files/picture.mag" "$ARTIFACTS/mag-thumbnail.png" 128
read -r w h _ < <(png_size "$ARTIFACTS/mag-thumbnail.png")
[ "$w $h" = "128 96" ] || fail "the MAG thumbnail is ${w}x$h, not 128x96"
"$P/bin/zelkimg" thumbnail "$files/picture.mag" "$WORK/expected.png" --size 128
differing=$("$XTOOL" diff "$ARTIFACTS/mag-thumbnail.png" "$WORK/expected.png")
[ "$differing" = 0 ] || fail "the MAG thumbnail differs from zelkimg's in $differing pixels"

thumbnail zelk-dar.thumbnailer "$files/figure.dar" "$ARTIFACTS/dar-thumbnail.png" 256
read -r w h type < <(png_size "$ARTIFACTS/dar-thumbnail.png")
[ "$type" = 6 ] && [ "$w" -le 256 ] && [ "$h" -le 256 ] && { [ "$w" = 256 ] || [ "$h" = 256 ]; } ||
  fail "the DAR thumbnail is ${w}x$h of colour type $type, not RGBA fitting 256x256"

"$ZELK_SOURCE_DIR/scripts/uninstall" "$BUILD" "$P" >/dev/null
left=$(cd "$P" && find . ! -type d)
[ -z "$left" ] || fail "left after uninstall: $left"
echo PASS
