# The two commands a user needs are `make demo` and `make test`; see README.md.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
CMAKE_GEN := -G Ninja
PREFIX ?= /usr/local
# The main build folder (programs in BUILD_DIR/bin).
BUILD_DIR ?= build
# Warnings stop the build in the test and CI builds; a plain build or install
# keeps what the build folder was configured with (off when new).
WERROR ?=
CONFIGURE = cmake -S . -B $(BUILD_DIR) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  $(if $(WERROR),-DZELK_WERROR=$(WERROR))

.PHONY: all deps deps-demo programs build demo test test-asan bench fuzz contact-sheet screenshot \
  format clean install uninstall deb build-matrix web web-serve

all: programs

# Packages for building and running the programs only, or for everything.
deps-demo:
	@scripts/install-deps --demo
deps:
	@scripts/install-deps

# The programs, the data set and the desktop files. A new build folder leaves
# out the tests and benchmarks, whose packages deps-demo does not install; one
# that `make build` configured keeps them.
NEW_WITHOUT_TESTS = $(if $(wildcard $(BUILD_DIR)/CMakeCache.txt),,-DZELK_TESTS=OFF -DZELK_BENCH=OFF)
programs: deps-demo
	@$(CONFIGURE) $(NEW_WITHOUT_TESTS) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Everything: the programs, the tests and the benchmarks.
build: deps
	@$(CONFIGURE) -DZELK_TESTS=ON -DZELK_BENCH=ON >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

demo: programs
	$(BUILD_DIR)/bin/scenedemo

test: WERROR = ON
test: build web
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 900

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
# `make && sudo make install` leaves no files of root's in the build folder.
# The programs are installed without their debugging information.
install:
	@[ -f $(BUILD_DIR)/cmake_install.cmake ] || $(MAKE) programs
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX) --strip

# Removes what `make install PREFIX=...` put there.
uninstall:
	@scripts/uninstall $(BUILD_DIR) $(PREFIX)

# The Debian package BUILD_DIR/zelk_VERSION_ARCH.deb, checked by lintian.
deb: build
	@cd $(BUILD_DIR) && cpack -G DEB
	@lintian --fail-on error $(BUILD_DIR)/zelk_*.deb

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
	@web/page-sizes build-web/site

web-serve: web
	@echo "The browser edition: http://127.0.0.1:$(WEB_PORT)/"
	@python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory build-web/site

# The README's picture: scenedemo 57 s after its start, as zelkrender draws it.
screenshot: programs
	@$(BUILD_DIR)/bin/zelkrender scenedemo --at 57000 --out $(BUILD_DIR)/screenshot
	@cp $(BUILD_DIR)/screenshot/scenedemo_057000.png docs/scenedemo.png

contact-sheet: programs
	@cmake --build $(BUILD_DIR) --target contact-sheet

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-asan build-bench build-fuzz build-matrix build-web
