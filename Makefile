# Kelvane: set-up, build and test on Debian 12 (as root, `make test` installs what is missing).
SHELL := /bin/bash
BUILD := build
HOST := $(BUILD)/host
WIN := $(BUILD)/windows
JOBS ?= $(shell nproc)

.PHONY: all deps configure dist test test-host test-windows demo clean fuzz

all: dist

deps:
	@tools/install-deps

configure: deps
	@[ -f $(HOST)/build.ninja ] || cmake -S . -B $(HOST) -G Ninja -DCMAKE_BUILD_TYPE=Debug
	@[ -f $(WIN)/build.ninja ] || cmake -S . -B $(WIN) -G Ninja -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake

dist: configure
	cmake --build $(HOST) -j $(JOBS)
	cmake --build $(WIN) -j $(JOBS)
	@ls -l dist/

test: dist
	@tools/run-tests $(HOST) $(WIN)

clean:
	rm -rf $(BUILD) dist
