#!/usr/bin/env bash
# The Debian package made by CPack from this build: it holds exactly what
# `cmake --install --prefix /usr` installs, depends on the Japanese font and
# on the libraries its programs link, puts its file types where Debian's
# triggers take them up, has no lintian errors (its other
# findings are kept in lintian.txt), and unpacked into an empty root its
# scenedemo runs there and finds its data.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
source "$ZELK_SOURCE_DIR/tests/e2e/install/install_lib.sh"
cpack -G DEB -B "$WORK/pkg" --config "$BUILD/CPackConfig.cmake" >"$ARTIFACTS/cpack.log" 2>&1 ||
  fail "cpack: $(tail -n 5 "$ARTIFACTS/cpack.log")"
deb=$(echo "$WORK"/pkg/zelk_"$VERSION"_*.deb)
[ -f "$deb" ] || fail "no zelk_${VERSION}_*.deb"

dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./|/|' | sort >"$ARTIFACTS/contents.txt"
DESTDIR=$WORK/staged cmake --install "$BUILD" --prefix /usr >/dev/null
(cd "$WORK/staged" && find . ! -type d | sed 's|^\./|/|' | sort) >"$ARTIFACTS/installed.txt"
diff "$ARTIFACTS/installed.txt" "$ARTIFACTS/contents.txt" >"$ARTIFACTS/contents.diff" ||
  fail "the package differs from the installation: $(cat "$ARTIFACTS/contents.diff")"
for f in /usr/bin/scenedemo /usr/lib/zelk/data/tobirano.wav /usr/share/man/man1/zelkimg.1.gz \
  /usr/share/applications/org.zelk.scenedemo.desktop /usr/lib/zelk/q_unfold/libq_arch32.so; do
  grep -qx "$f" "$ARTIFACTS/contents.txt" || fail "the package has no $f"
done
# The desktop's file types: Debian's own triggers on the folders of the MAG
# loader and the MIME types (libgdk-pixbuf-2.0-0's and shared-mime-info's)
# update the loader cache and the MIME database when the package installs.
moduledir=$(pkg-config --variable=gdk_pixbuf_moduledir gdk-pixbuf-2.0)
for f in "$moduledir/libpixbufloader-mag.so" /usr/share/mime/packages/zelk.xml \
  /usr/share/thumbnailers/zelk-mag.thumbnailer /usr/share/thumbnailers/zelk-dar.thumbnailer; do
  grep -qx "$f" "$ARTIFACTS/contents.txt" || fail "the package has no $f"
done
grep -qx "interest-noawait $moduledir" /var/lib/dpkg/info/libgdk-pixbuf-2.0-0:*.triggers ||
  fail "no trigger of libgdk-pixbuf-2.0-0 watches $moduledir"
grep -qx "interest-noawait /usr/share/mime/packages" /var/lib/dpkg/info/shared-mime-info.triggers ||
  fail "no trigger of shared-mime-info watches /usr/share/mime/packages"
[[ $(dpkg-deb -f "$deb" Recommends) == *shared-mime-info* ]] || fail "the package does not recommend shared-mime-info"
depends=$(dpkg-deb -f "$deb" Depends)
for p in fonts-ipafont-gothic libsdl2-2.0-0 liblhasa0 libavcodec; do
  [[ $depends == *"$p"* ]] || fail "Depends lacks $p: $depends"
done

lintian --fail-on error "$deb" >"$ARTIFACTS/lintian.txt" 2>&1 || fail "lintian: $(cat "$ARTIFACTS/lintian.txt")"

dpkg-deb -x "$deb" "$WORK/root"
demo_shows_first_pictures "$WORK/root/usr/bin/scenedemo"
echo PASS
