# Entry points: `make run` and `make test` work on a fresh Debian 12 machine.
JOBS      ?= $(shell nproc)
RELEASE   := build/release
ASAN      := build/asan
TSAN      := build/tsan
# Everything, tests too, optimised as the package is: warnings only optimisation finds.
OPTIMISED := build/optimised
# The program as a package ships it: optimised, hardened, stripped, no tests; it keeps its
# workbook in the shared folder the package makes, written by the package's writer program.
# `make install` installs the same program without the shared folder: each account keeps its own.
PACKAGE   := build/package
INSTALL   := build/install
PREFIX    ?= /usr/local
INSTALLED := -DCMAKE_BUILD_TYPE=Release -DIM_TESTS=OFF
PACKAGED  := $(INSTALLED) -DCMAKE_INSTALL_PREFIX=/usr -DIM_SHARED_DATA_FOLDER=/var/lib/mouse-wheel-crane
# Debian's hardening flags, as its own package tools would build it with (read when the recipe
# runs, once scripts/install-deps has installed dpkg-dev).
BUILDFLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
HARDENED  = -DCMAKE_CXX_FLAGS="$$($(BUILDFLAGS) CPPFLAGS) $$($(BUILDFLAGS) CXXFLAGS)" \
            -DCMAKE_EXE_LINKER_FLAGS="$$($(BUILDFLAGS) LDFLAGS)"
FUZZ      := build/fuzz
# `make fuzz`: each fuzz target runs this many seconds, this many targets at a time.
FUZZ_SECONDS ?= 60
FUZZ_JOBS    ?= 2
# The test programs with worker threads, which also run under ThreadSanitizer.
TSAN_TESTS := sound_tests platform_tests sdl_backend_tests
GENERATOR := -G Ninja

.PHONY: all deps deps-run build build-asan build-tsan build-optimised run test test-release test-asan test-tsan \
        install package bench fuzz clean

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

build-optimised: deps-test
	cmake -S . -B $(OPTIMISED) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DIM_TESTS=ON
	cmake --build $(OPTIMISED) -j $(JOBS)

# `make install PREFIX=...`: the shared folder needs the package's user and set-ID writer, which
# only the package sets up.
install: deps-run
	cmake -S . -B $(INSTALL) $(GENERATOR) $(INSTALLED) $(HARDENED) -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	cmake --build $(INSTALL) -j $(JOBS)
	cmake --install $(INSTALL) --strip
	@echo "make install: no shared folder; each account keeps its workbook in its own data folder (the package makes the shared one)"

# The Debian package, in $(PACKAGE): `sudo apt install ./build/package/mouse-wheel-crane_*.deb`.
package: deps-run
	cmake -S . -B $(PACKAGE) $(GENERATOR) $(PACKAGED) $(HARDENED)
	cmake --build $(PACKAGE) -j $(JOBS)
	cd $(PACKAGE) && cpack

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
