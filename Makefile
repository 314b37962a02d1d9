# Newcomer entry points: `make run` builds and starts Ovisu, `make test` builds and runs every test.
BUILD_DIR ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build run test bench clean

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
