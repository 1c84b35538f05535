# Entry points: `make run` and `make test` work on a fresh Debian 12 machine.
JOBS      ?= $(shell nproc)
RELEASE   := build/release
ASAN      := build/asan
GENERATOR := -G Ninja

.PHONY: all deps build build-asan run test test-release test-asan bench clean

all: build

deps:
	@scripts/install-deps

$(RELEASE)/build.ninja: | deps
	cmake -S . -B $(RELEASE) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(ASAN)/build.ninja: | deps
	cmake -S . -B $(ASAN) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DIM_SANITIZE=address,undefined

build: deps $(RELEASE)/build.ninja
	cmake --build $(RELEASE) -j $(JOBS)

build-asan: deps $(ASAN)/build.ninja
	cmake --build $(ASAN) -j $(JOBS)

run: build
	scripts/run-program $(RELEASE)/exercise/crane

test-release: build
	ctest --test-dir $(RELEASE) --output-on-failure -j $(JOBS)

test-asan: build-asan
	ctest --test-dir $(ASAN) --output-on-failure -j $(JOBS)

test: test-release test-asan

bench: build
	@for b in $(RELEASE)/bench/*_bench; do [ -x "$$b" ] && "$$b"; done; true

clean:
	rm -rf build
