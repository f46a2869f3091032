# Vesk种子搜索器: a Win32 program built with MinGW-w64 and run under Wine.
# Every target does its own set-up on a fresh Debian machine.

BUILD   := build
JOBS    ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
export VESK_BUILD := $(abspath $(BUILD))

.PHONY: all deps configure build prefix run test screenshot bench demo clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-posix.cmake -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

prefix: deps
	@scripts/wine-prefix.sh

run: build prefix
	@scripts/run.sh

test: build prefix
	@scripts/with-display.sh --headless scripts/run-tests.sh

screenshot: build prefix
	@scripts/with-display.sh --headless scripts/screenshot.sh

demo: build prefix
	@scripts/with-display.sh --headless scripts/demo.sh

bench: build prefix
	@scripts/with-display.sh --headless scripts/bench.sh

clean:
	-@[ -d $(BUILD)/wineprefix ] && WINEPREFIX=$(abspath $(BUILD))/wineprefix wineserver -k 2>/dev/null; true
	rm -rf $(BUILD)
