# Thin wrapper: set-up script, CMake and CTest. See README.md.
BUILD ?= build
JOBS  ?= $(shell nproc)
CMAKE_ARGS ?= -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release

.PHONY: all setup configure build test demo bench release clean

all: build

setup:
	scripts/setup.sh

configure: setup
	cmake -S . -B $(BUILD) $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	scripts/run-tests.sh $(BUILD)

demo: build
	scripts/demo.sh $(BUILD)

bench: build
	scripts/run-bench.sh $(BUILD)

# The installer, the portable zip and SHA256SUMS in dist/, from a Release build.
release: override CMAKE_ARGS += -DCMAKE_BUILD_TYPE=Release
release: build
	cmake --build $(BUILD) --target release

clean:
	rm -rf $(BUILD)
