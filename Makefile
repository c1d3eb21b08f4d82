# The README's commands: `make run [FILE=path]`, `make test`, `make install [PREFIX=dir]`, `make package`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
TEST_FUZZ_SECONDS ?= 40
JOBS       ?= 2
FILE       ?= samples/果物.txt
PREFIX     ?= /usr/local

.PHONY: setup build run test test-asan test-tsan fuzz-build test-fuzz fuzz install package screenshots bench clean
.PHONY: format format-check lint

setup:
	@scripts/setup

build: setup
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(WERROR) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/app/linnery "$(FILE)"

# The format check first; every test; clang-tidy; every test again built with AddressSanitizer and
# UndefinedBehaviorSanitizer; the tests that start threads built with ThreadSanitizer; then 40 seconds of
# each fuzz target.
test: build
	@$(MAKE) --no-print-directory format-check
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)
	@$(MAKE) --no-print-directory lint
	@$(MAKE) --no-print-directory test-asan
	@$(MAKE) --no-print-directory test-tsan
	@$(MAKE) --no-print-directory test-fuzz

test-asan: setup
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DLINNERY_SANITIZE=ON $(WERROR) >/dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j$(JOBS)

# Only what the tests labelled `threads` need (tests/CMakeLists.txt), with ThreadSanitizer.
test-tsan: setup
	@cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLINNERY_TSAN=ON $(WERROR) >/dev/null
	@cmake --build $(TSAN_BUILD) -j$(JOBS) --target core_tests MainWindowTest ReplaceWindowTest LongCommandTest
	cd $(TSAN_BUILD) && ctest --output-on-failure -j$(JOBS) -L threads

# DESTDIR, when given, is put in front of every installed path (for packagers).
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# A Debian package in $(BUILD): linnery_<version>_<arch>.deb.
package: build
	cd $(BUILD) && cpack -G DEB

# The README's pictures of the windows, taken under Xvfb.
screenshots: build
	scripts/screenshots $(BUILD) docs

# The libFuzzer targets (fuzz/), built with clang in a folder of their own.
fuzz-build: setup
	@CC=clang CXX=clang++ cmake -S fuzz -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS)

# Each target over its checked-in seeds and on for TEST_FUZZ_SECONDS (40 seconds), so a regression fails the
# tests and a broken property does not go unnoticed for long: five seconds each were too few to find
# one that a longer run found.
test-fuzz: fuzz-build
	cd $(FUZZ_BUILD) && LINNERY_FUZZ_SECONDS=$(TEST_FUZZ_SECONDS) ctest --output-on-failure -j$(JOBS)

# Longer runs: make fuzz [FUZZ_SECONDS=600]. Findings land in $(FUZZ_BUILD)/findings.
fuzz: fuzz-build
	cd $(FUZZ_BUILD) && LINNERY_FUZZ_SECONDS=$(FUZZ_SECONDS) ctest --output-on-failure -j$(JOBS)

# The builds the tests run fail on any warning; a plain `make`, `make install` or `make package` leaves
# a build folder as it was configured (a fresh one shows warnings without failing).
test test-asan test-tsan: WERROR = -DLINNERY_WERROR=ON

# The code as .clang-format lays it out (clang-format 14): format-check lists the files that differ,
# format rewrites them.
format-check:
	@scripts/format --check

format:
	@scripts/format

# clang-tidy with .clang-tidy's checks over every file the build compiles.
lint: build
	@scripts/lint $(BUILD) $(JOBS)

bench: build
	bench/run --build $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
