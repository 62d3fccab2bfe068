# The two commands that matter: `make run` builds and starts Vexmoor,
# `make test` builds and runs every test.
PRESET ?= default
JOBS ?= $(shell nproc)
# Where `make install` puts the optimised programs and their files.
PREFIX ?= /usr/local

.PHONY: all deps configure build test test-asan run bench fuzz release install package package-check clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

test: build
	@ctest --preset $(PRESET)

test-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	@ctest --preset asan

run: build
	@scripts/run-vexmoor build/$(PRESET)

bench: deps
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench -j $(JOBS)
	@scripts/run-benchmarks build/bench

fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)

# The optimised programs alone, for installing and packaging.
release: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j $(JOBS)

install: release
	@cmake --install build/release --prefix $(PREFIX)

# build/release/vexmoor_VERSION_ARCH.deb, the only one there.
package: release
	@rm -f build/release/vexmoor_*.deb
	@cpack --preset release

# Builds the package, then checks it as a user would meet it.
package-check: package
	@scripts/check-package build/release

clean:
	@rm -rf build
