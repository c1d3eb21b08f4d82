# The README's commands: `make run [FILE=path]`, `make test`, `make install [PREFIX=dir]`, `make package`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= 2
FILE       ?= samples/果物.txt
PREFIX     ?= /usr/local

.PHONY: setup build run test test-asan install package screenshots bench clean

setup:
	@scripts/setup

build: setup
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/app/linnery "$(FILE)"

# Every test, then every test again built with AddressSanitizer and UndefinedBehaviorSanitizer.
test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)
	@$(MAKE) --no-print-directory test-asan

test-asan: setup
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DLINNERY_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j$(JOBS)

# DESTDIR, when given, is put in front of every installed path (for packagers).
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# A Debian package in $(BUILD): linnery_<version>_<arch>.deb.
package: build
	cd $(BUILD) && cpack -G DEB

# The README's pictures of the windows, taken under Xvfb.
screenshots: build
	scripts/screenshots $(BUILD) docs

bench: build
	bench/run --build $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
