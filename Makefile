# The project's front door: `make run` and `make test` work on a fresh Debian 12.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all deps configure build run check-display test check fuzz bench tsan install clean windows windows-test

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD)

# Without a display there is nothing to show the window on: say how, before building.
check-display:
	@scripts/run.sh --check

run: check-display build
	@scripts/run.sh $(BUILD)

test: build
	@scripts/test.sh $(BUILD)

# AddressSanitizer and UndefinedBehaviorSanitizer build and run of every test: the
# first report fails the test, leaks included.
check:
	@$(MAKE) --no-print-directory test BUILD=build-check CMAKE_FLAGS="-DBENCHLINK_ASAN=ON"

# ThreadSanitizer build and run of every test.
tsan:
	@$(MAKE) --no-print-directory test BUILD=build-tsan CMAKE_FLAGS="-DBENCHLINK_TSAN=ON -DCMAKE_BUILD_TYPE=Debug"

fuzz: deps
	@scripts/fuzz.sh

bench: build
	@scripts/bench.sh $(BUILD)

# Windows: the core, benchlink-qlp.exe and the core tests that need no pseudo-terminal,
# cross-built with mingw-w64 (cmake/mingw-w64-x86_64.cmake) into build-windows.
windows:
	@scripts/install-deps.sh --windows
	@cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
		-DBENCHLINK_GUI=OFF -DBENCHLINK_GTEST_SOURCE=/usr/src/googletest >/dev/null
	@cmake --build build-windows

# Those tests under Wine, then benchlink-qlp.exe under Wine against the (Linux) simulator.
windows-test: windows configure
	@cmake --build $(BUILD) --target benchlink-sim
	@scripts/windows-test.sh build-windows $(BUILD)

install: build
	@cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX),)

clean:
	@rm -rf $(BUILD) build-tsan build-check build-fuzz build-windows
