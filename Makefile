# Entry points: `make run` and `make test` work on a fresh Debian 12 machine.
JOBS      ?= $(shell nproc)
RELEASE   := build/release
ASAN      := build/asan
TSAN      := build/tsan
# The test programs with worker threads, which also run under ThreadSanitizer.
TSAN_TESTS := sound_tests platform_tests sdl_backend_tests
GENERATOR := -G Ninja

.PHONY: all deps build build-asan build-tsan run test test-release test-asan test-tsan bench clean

all: build

deps:
	@scripts/install-deps

$(RELEASE)/build.ninja: | deps
	cmake -S . -B $(RELEASE) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(ASAN)/build.ninja: | deps
	cmake -S . -B $(ASAN) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DIM_SANITIZE=address,undefined

$(TSAN)/build.ninja: | deps
	cmake -S . -B $(TSAN) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DIM_SANITIZE=thread

build: deps $(RELEASE)/build.ninja
	cmake --build $(RELEASE) -j $(JOBS)

build-asan: deps $(ASAN)/build.ninja
	cmake --build $(ASAN) -j $(JOBS)

build-tsan: deps $(TSAN)/build.ninja
	cmake --build $(TSAN) -j $(JOBS) --target $(TSAN_TESTS)

run: build
	scripts/run-program $(RELEASE)/exercise/crane

test-release: build
	ctest --test-dir $(RELEASE) --output-on-failure -j $(JOBS)

test-asan: build-asan
	ctest --test-dir $(ASAN) --output-on-failure -j $(JOBS)

test-tsan: build-tsan
	ctest --test-dir $(TSAN) --output-on-failure -j $(JOBS) -L '^(sound_tests|platform_tests|sdl_backend_tests)$$'

test: test-release test-asan test-tsan

bench: build
	@for b in $(RELEASE)/bench/*_bench; do [ -x "$$b" ] && "$$b"; done; true

clean:
	rm -rf build
