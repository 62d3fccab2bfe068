# The two commands that matter: `make run` builds and starts Vexmoor,
# `make test` builds and runs every test.
PRESET ?= default
JOBS ?= $(shell nproc)

.PHONY: all deps configure build test test-asan run bench fuzz clean

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

clean:
	@rm -rf build
