# The two commands a user needs are `make demo` and `make test`; see README.md.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
CMAKE_GEN := -G Ninja
PREFIX ?= /usr/local
# Warnings stop the build in the test and CI builds; a plain build or install
# keeps what build/ was configured with (off when new).
WERROR ?=

.PHONY: all deps build demo test test-asan bench fuzz contact-sheet format clean \
  install uninstall deb build-matrix web web-serve

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B build $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  $(if $(WERROR),-DZELK_WERROR=$(WERROR)) >/dev/null
	@cmake --build build -j $(JOBS)

demo: build
	build/bin/scenedemo

test: WERROR = ON
test: build web
	@cd build && ctest --output-on-failure -j $(JOBS) --timeout 900

test-asan: deps
	@cmake -S . -B build-asan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DZELK_SANITIZE=ON -DZELK_BENCH=OFF \
	  -DZELK_WERROR=ON >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  ctest --output-on-failure -j $(JOBS) --timeout 1800

bench: deps
	@cmake -S . -B build-bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DZELK_TESTS=OFF >/dev/null
	@cmake --build build-bench -j $(JOBS)
	@set -e; for b in build-bench/bench/*; do \
	  if [ -f "$$b" ] && [ -x "$$b" ]; then echo "== $$b"; "$$b" --benchmark_min_time=0.2; fi; \
	done
	@echo "== bench/thumbnail_cost.py"; bench/thumbnail_cost.py build-bench

# Short bounded fuzz runs of every target (FUZZ_SECONDS each).
FUZZ_SECONDS ?= 30
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DZELK_FUZZ=ON \
	  -DZELK_TESTS=OFF -DZELK_BENCH=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS)
	@for f in build-fuzz/fuzz/*; do [ -x "$$f" ] || continue; n=$$(basename $$f); \
	  mkdir -p build-fuzz/corpus/$$n; seeds=tests/fuzz/$${n#fuzz_}/seeds; \
	  echo "== $$n"; "$$f" -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 build-fuzz/corpus/$$n $$( [ -d $$seeds ] && echo $$seeds ) 2>&1 | tail -n 12 || exit 1; done

# Programs and data into PREFIX/lib/zelk, commands into PREFIX/bin, manual
# pages, menu entries, icons and metainfo into PREFIX/share (DESTDIR works too).
# Installs what `make` built (building first only when nothing is built), so
# `make && sudo make install` leaves no files of root's in build/.
install:
	@[ -f build/cmake_install.cmake ] || $(MAKE) build
	@cmake --install build --prefix $(PREFIX)

# Removes what `make install PREFIX=...` put there.
uninstall:
	@scripts/uninstall build $(PREFIX)

# The Debian package build/zelk_VERSION_ARCH.deb, checked by lintian.
deb: build
	@cd build && cpack -G DEB
	@lintian --fail-on error build/zelk_*.deb

# Release and Debug with GCC, and Release, Debug and RelWithDebInfo with
# clang, each warning-free (-Werror), tests and benchmarks included; the
# RelWithDebInfo GCC build is the one `make test` makes. Prints each time.
MATRIX ?= gcc:Release gcc:Debug clang:Release clang:Debug clang:RelWithDebInfo
build-matrix: deps
	@set -e; for m in $(MATRIX); do \
	  cc=$${m%%:*}; type=$${m#*:}; dir=build-matrix/$$cc-$$type; \
	  if [ $$cc = clang ]; then export CC=clang CXX=clang++; else export CC=gcc CXX=g++; fi; \
	  start=$$(date +%s); \
	  cmake -S . -B $$dir $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=$$type -DZELK_WERROR=ON >/dev/null; \
	  cmake --build $$dir -j $(JOBS) >$$dir.log 2>&1 || { tail -n 40 $$dir.log; echo "build-matrix: $$m failed"; exit 1; }; \
	  echo "build-matrix: $$m warning-free in $$(( $$(date +%s) - start )) s"; \
	done

# The browser edition: the five programs built with Emscripten into build-web/site
# (the data set comes from the native build's generator). Debian's emscripten runs
# its JavaScript tools with node and needs Debian's node modules.
WEB_ENV := NODE_PATH=/usr/share/nodejs$(if $(NODE_PATH),:$(NODE_PATH))
WEB_PORT ?= 8080
web: build
	@$(WEB_ENV) emcmake cmake -S web -B build-web $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
	  -DZELK_DATAGEN=$(CURDIR)/build/bin/zelkdata $(if $(WERROR),-DZELK_WERROR=$(WERROR)) >/dev/null
	@$(WEB_ENV) cmake --build build-web -j $(JOBS)
	@cat build-web/page-sizes.txt

web-serve: web
	@echo "The browser edition: http://127.0.0.1:$(WEB_PORT)/"
	@python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory build-web/site

contact-sheet: build
	@cmake --build build --target contact-sheet

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-asan build-bench build-fuzz build-matrix build-web
