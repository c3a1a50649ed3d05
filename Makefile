# Vexlo: `make run` starts the demo site and the GUI, `make test` runs every test.
# `make test SANITIZE=address|undefined|thread` builds and tests with a sanitizer.
# `make test-load [REPEAT=N]` runs the suite N times (10) with every core kept busy.
# `make package` builds the Debian package vexlo_1.4.5_<arch>.deb in the build folder.

SANITIZE ?=
BUILD_TYPE ?= RelWithDebInfo
BUILD_DIR := build$(if $(SANITIZE),-$(SANITIZE))
JOBS ?= $(shell nproc)
REPEAT ?= 10

.PHONY: all deps configure build test test-load run package fuzz clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja \
		-DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
		-DVEXLO_WERROR=ON \
		-DVEXLO_SANITIZE=$(SANITIZE) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@scripts/run-tests $(BUILD_DIR)

test-load: build
	@scripts/run-tests --repeat $(REPEAT) --load $(BUILD_DIR)

run: build
	@scripts/run-demo $(BUILD_DIR)

package: build
	@cd $(BUILD_DIR) && cpack

# libFuzzer on the wire decoders; needs clang (FUZZ_SECONDS per target, 60 by default).
fuzz: deps
	@scripts/run-fuzz

clean:
	rm -rf build build-address build-undefined build-thread build-fuzz
