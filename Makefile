# Entry points: `make run` and `make test` work on a fresh Debian 12 machine.
JOBS      ?= $(shell nproc)
RELEASE   := build/release
ASAN      := build/asan
TSAN      := build/tsan
# What a package would ship: optimised, no debug information.
PACKAGE   := build/package
FUZZ      := build/fuzz
# `make fuzz`: each fuzz target runs this many seconds, this many targets at a time.
FUZZ_SECONDS ?= 60
FUZZ_JOBS    ?= 2
# The test programs with worker threads, which also run under ThreadSanitizer.
TSAN_TESTS := sound_tests platform_tests sdl_backend_tests
GENERATOR := -G Ninja

.PHONY: all deps deps-run build build-asan build-tsan build-package run test test-release test-asan test-tsan \
        bench fuzz clean

all: build

deps: deps-test

deps-run:
	@scripts/install-deps run

deps-test:
	@scripts/install-deps test

# `make run` needs only the program: the tests are built once their packages are there.
run: deps-run
	cmake -S . -B $(RELEASE) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(RELEASE) -j $(JOBS) --target crane
	scripts/run-program $(RELEASE)/exercise/crane

build: deps-test
	cmake -S . -B $(RELEASE) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DIM_TESTS=ON
	cmake --build $(RELEASE) -j $(JOBS)

build-asan: deps-test
	cmake -S . -B $(ASAN) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DIM_SANITIZE=address,undefined -DIM_TESTS=ON
	cmake --build $(ASAN) -j $(JOBS)

build-tsan: deps-test
	cmake -S . -B $(TSAN) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DIM_SANITIZE=thread -DIM_TESTS=ON
	cmake --build $(TSAN) -j $(JOBS) --target $(TSAN_TESTS)

build-package: deps-test
	cmake -S . -B $(PACKAGE) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DIM_TESTS=ON
	cmake --build $(PACKAGE) -j $(JOBS)

test-release: build
	ctest --test-dir $(RELEASE) --output-on-failure -j $(JOBS)

test-asan: build-asan
	ctest --test-dir $(ASAN) --output-on-failure -j $(JOBS)

test-tsan: build-tsan
	ctest --test-dir $(TSAN) --output-on-failure -j $(JOBS) -L '^(sound_tests|platform_tests|sdl_backend_tests)$$'

test: test-release test-asan test-tsan

# The libFuzzer programs (clang, ASan and UBSan); findings are kept in $(FUZZ)/fuzz/findings.
fuzz: deps-test
	cmake -S . -B $(FUZZ) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DIM_FUZZ=ON \
	      -DIM_TESTS=ON
	cmake --build $(FUZZ) -j $(JOBS) --target fuzzers
	tests/fuzz/run-fuzzers $(FUZZ) $(FUZZ_SECONDS) $(FUZZ_JOBS)

bench: build
	@for b in $(RELEASE)/bench/*_bench; do [ -x "$$b" ] && "$$b"; done; true

clean:
	rm -rf build
