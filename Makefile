# The two commands: `make run` (the self-test) and `make test` (every test).
# Both install what is missing first, then build.

BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || sysctl -n hw.ncpu 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
PREFIX ?= /usr/local
# The builds CMake runs below print no "Entering directory" lines.
MAKEFLAGS += --no-print-directory

.PHONY: all deps build run test test-hosts sanitize bench fuzz clean install uninstall package

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run:
	@scripts/install-deps.sh run
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target indicator indicator-check
	$(BUILD)/indicator --selftest

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The tray on GNOME Shell and KDE Plasma (each on X11 and nested Wayland) and XFCE, each on
# an Xvfb of its own; screenshots in $(BUILD)/host-artifacts/. Not part of `make test`.
test-hosts: build
	@scripts/install-deps.sh hosts
	@timeout 1800 /usr/bin/python3 tests/desktop_test.py $(BUILD)/indicator $(BUILD)/host-artifacts Hosts

# The suite under ASan+UBSan (the lint checks, which build nothing of this build, aside), and
# the threaded tests under TSan.
sanitize: deps
	@cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=Debug -DINDICATOR_SANITIZE=address $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD)-asan -j $(JOBS)
	@cd $(BUILD)-asan && ctest --output-on-failure -j $(JOBS) -LE lint
	@cmake -S . -B $(BUILD)-tsan -DCMAKE_BUILD_TYPE=Debug -DINDICATOR_SANITIZE=thread $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD)-tsan -j $(JOBS)
	@cd $(BUILD)-tsan && ctest --output-on-failure -j $(JOBS) -L threads

# Every benchmark, in a Release build, printed as one table of ratios (bench/README.md).
bench: deps
	@scripts/install-deps.sh bench
	@cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DINDICATOR_BENCH=ON -DINDICATOR_TESTS=OFF >/dev/null
	@cmake --build $(BUILD)-bench -j $(JOBS)
	@python3 bench/run.py $(BUILD)-bench

# Each fuzz target for FUZZ_SECONDS (default 60), with libFuzzer and clang, from the corpus.
FUZZ_SECONDS ?= 60
fuzz: deps
	@cmake -S . -B $(BUILD)-fuzz -DCMAKE_CXX_COMPILER=clang++ -DINDICATOR_FUZZ=ON -DINDICATOR_TESTS=OFF >/dev/null
	@cmake --build $(BUILD)-fuzz -j $(JOBS) --target decode_fuzz framer_fuzz
	@for target in decode framer; do \
	  mkdir -p $(BUILD)-fuzz/corpus/$$target && \
	  $(BUILD)-fuzz/fuzz/$${target}_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=8192 \
	    -artifact_prefix=$(BUILD)-fuzz/ $(BUILD)-fuzz/corpus/$$target fuzz/corpus/$$target || exit 1; \
	done

# `make install PREFIX=$$HOME/.local`; DESTDIR is honoured for staged installs.
install:
	@scripts/install-deps.sh run
	@DESTDIR=$(DESTDIR) JOBS=$(JOBS) scripts/build-and-install.sh source $(BUILD) -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_FLAGS)

uninstall:
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@DESTDIR=$(DESTDIR) scripts/uninstall.sh $(BUILD) $(PREFIX)

# A Debian package (build/indicator_<version>_<arch>.deb); on macOS the application bundle,
# zipped (build/indicator-<version>-macos.zip).
package: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
ifeq ($(shell uname -s),Darwin)
	@cmake --build $(BUILD) -j $(JOBS) --target indicator_app_zip
	@ls $(BUILD)/indicator-*-macos.zip
else
	@cmake --build $(BUILD) -j $(JOBS) --target indicator indicator-check
	@cd $(BUILD) && cpack >/dev/null && ls $$PWD/*.deb
endif

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-tsan $(BUILD)-bench $(BUILD)-fuzz
