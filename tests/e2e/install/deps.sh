#!/usr/bin/env bash
# scripts/install-deps on a machine where nothing counts as installed
# (dpkg-query, apt-get and npm are stand-ins that record what they are asked):
# the demo path asks apt for no test-only package and runs no npm, the full
# path asks for both lists and installs the browser tests' npm packages. The
# build folder `make demo` configures builds no test or benchmark program.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"

# A copy of the script beside a lock file without node_modules, so the full
# path has npm packages to install.
mkdir -p "$WORK/tree/scripts" "$WORK/tree/tests/web" "$WORK/shim"
cp "$ZELK_SOURCE_DIR/scripts/install-deps" "$WORK/tree/scripts/"
cp "$ZELK_SOURCE_DIR/tests/web/package-lock.json" "$WORK/tree/tests/web/"
shim() { printf '#!/bin/sh\n%s\n' "$2" >"$WORK/shim/$1" && chmod +x "$WORK/shim/$1"; }
shim apt-get "echo \"apt-get \$*\" >>$WORK/requests"
shim npm "echo \"npm \$*\" >>$WORK/requests"
shim dpkg-query "exit 1"
shim sudo 'exec "$@"'
shim locale "echo de_DE.utf8"

# install_deps [ARG]: the packages apt was asked to install, one a line.
install_deps() {
  rm -f "$WORK/requests"
  PATH=$WORK/shim:$PATH "$WORK/tree/scripts/install-deps" "$@" >"$ARTIFACTS/install-deps$*.log" ||
    fail "install-deps $* failed: $(cat "$ARTIFACTS/install-deps$*.log")"
  sed -n 's/^apt-get install -y -qq --no-install-recommends //p' "$WORK/requests" | tr ' ' '\n' | sort
}
test_only="clang libgtest-dev libgmock-dev libbenchmark-dev xvfb xdotool strace tesseract-ocr-jpn
  lintian appstream emscripten chromium lhasa jlha-utils locales"

demo=$(install_deps --demo)
for p in cmake libsdl2-dev fonts-ipafont-gothic libimagequant-dev liblhasa-dev; do
  grep -qx "$p" <<<"$demo" || fail "the demo path does not ask for $p"
done
for p in $test_only; do
  ! grep -qx "$p" <<<"$demo" || fail "the demo path asks for the test-only $p"
done
! grep -q '^npm' "$WORK/requests" || fail "the demo path ran $(grep '^npm' "$WORK/requests")"

all=$(install_deps)
[ -z "$(comm -23 <(echo "$demo") <(echo "$all"))" ] || fail "the full path leaves out demo packages"
for p in $test_only; do
  grep -qx "$p" <<<"$all" || fail "the full path does not ask for $p"
done
[ "$(grep -c "^npm ci --prefix $WORK/tree/tests/web " "$WORK/requests")" = 1 ] ||
  fail "the full path did not run npm ci once: $(cat "$WORK/requests")"

# What `make demo` would run, in a new build folder: configured as it says,
# nothing below tests/ or bench/ is built.
configure=$(make -s -n --no-print-directory -C "$ZELK_SOURCE_DIR" demo BUILD_DIR="$WORK/b" | grep '^cmake -S')
grep -q -- '-DZELK_TESTS=OFF -DZELK_BENCH=OFF' <<<"$configure" || fail "make demo configures: $configure"
(cd "$ZELK_SOURCE_DIR" && eval "${configure%%>*}" >"$ARTIFACTS/configure.log") ||
  fail "configuring as make demo does failed"
ninja -C "$WORK/b" -n >"$ARTIFACTS/demo-build.txt"
grep -q 'Linking CXX executable bin/scenedemo$' "$ARTIFACTS/demo-build.txt" ||
  fail "make demo would not build scenedemo"
! grep -E 'Linking .* (tests|bench)/' "$ARTIFACTS/demo-build.txt" ||
  fail "make demo would build test programs"
echo PASS
