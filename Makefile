# Newcomer entry points: `make run` builds and starts Ovisu, `make test` builds and runs every test.
BUILD_DIR ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build run test test-sanitize bench clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j$(JOBS)

run: build
	./$(BUILD_DIR)/ovisu

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer in its own build
# folder; any report fails the test. Too slow for `make test`.
SANITIZE_DIR ?= build-sanitize
# Allocation stacks come from the fast unwinder: full ones made the real-time suites several times
# slower, too slow to keep up with the games. The one suite whose suppression needs a full stack
# asks for it in tests/CMakeLists.txt.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:suppressions=$(CURDIR)/tests/sanitizer/asan.supp \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOVISU_SANITIZE=ON -DOVISU_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(SANITIZE_DIR) -j$(JOBS)
	cd $(SANITIZE_DIR) && $(SANITIZER_ENV) ctest --output-on-failure -j$(JOBS)

bench: build
	./$(BUILD_DIR)/bench/ovisu_bench
	./$(BUILD_DIR)/bench/ovisu_pipeline_bench
	./$(BUILD_DIR)/bench/ovisu_ocr_bench
	./$(BUILD_DIR)/bench/ovisu_session_bench
	./$(BUILD_DIR)/bench/ovisu_renpy_bench session
	./$(BUILD_DIR)/bench/ovisu_interface_bench recognition
	./$(BUILD_DIR)/bench/ovisu_interface_bench session
	./$(BUILD_DIR)/bench/ovisu_interface_bench placement --runs 50

clean:
	rm -rf $(BUILD_DIR)

# Installed like a Linux program: `make install` (PREFIX=/usr/local unless given; needs root for
# a system prefix) and `make package`, a Debian package in $(BUILD_DIR) (scripts/check-package.sh
# checks it).
PREFIX ?= /usr/local

.PHONY: install package

install: build
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX) --strip

package: build
	@cd $(BUILD_DIR) && cpack -G DEB
