# The two commands: `make run` (the self-test) and `make test` (every test).
# Both install what is missing first, then build.

BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || sysctl -n hw.ncpu 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all deps build run test sanitize clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/indicator --selftest

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The suite under ASan+UBSan, and the threaded tests under TSan.
sanitize: deps
	@cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=Debug -DINDICATOR_SANITIZE=address $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD)-asan -j $(JOBS)
	@cd $(BUILD)-asan && ctest --output-on-failure -j $(JOBS)
	@cmake -S . -B $(BUILD)-tsan -DCMAKE_BUILD_TYPE=Debug -DINDICATOR_SANITIZE=thread $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD)-tsan -j $(JOBS)
	@cd $(BUILD)-tsan && ctest --output-on-failure -j $(JOBS) -L threads

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-tsan
