# SPDX-License-Identifier: MIT
# Set-up, build, run and test in one place. `make run` and `make test` install
# whatever Debian packages are missing first.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test golden bench package gallery test-sanitize fuzz clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) > /dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ] && [ -z "$$QT_QPA_PLATFORM" ]; then \
	  echo "No display found (DISPLAY is not set): run it on a desktop, or under Xvfb with: xvfb-run -s '-screen 0 1920x1080x24' $(BUILD_DIR)/tintoral"; \
	  exit 1; \
	fi
	@$(BUILD_DIR)/tintoral

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# Rewrites the golden files of the tests (frames, selection window, packaging)
# from what the build draws now: run after a wanted change, review the diff.
golden: build
	@TINTORAL_WRITE_GOLDEN=1 $(BUILD_DIR)/tests/tintoral-unit-tests --gtest_filter='Frames.*' > /dev/null
	@TINTORAL_WRITE_GOLDEN=1 QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/tests/tintoral-ui-tests --gtest_filter='Layout.*' > /dev/null
	@TINTORAL_WRITE_GOLDEN=1 bash tests/packaging/packaging_test.sh . $(BUILD_DIR) > /dev/null
	@git status --short tests/golden

bench: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target tintoral-bench
	@$(BUILD_DIR)/bench/tintoral-bench

package: build
	@bash scripts/package.sh $(BUILD_DIR)

gallery: build
	@bash scripts/gallery.sh $(BUILD_DIR)

test-sanitize: deps
	@bash scripts/test-sanitize.sh

fuzz: deps
	@bash scripts/fuzz.sh

clean:
	@rm -rf $(BUILD_DIR)
