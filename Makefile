# Custorin: the two set-up commands are `make run` and `make test`.
BUILD_DIR ?= build
DATA_DIR  ?= demo-data
JOBS      ?= $(shell nproc)

.PHONY: all deps configure build run test bench package soak format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@if [ ! -f $(BUILD_DIR)/build.ninja ]; then \
	  cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo; \
	fi

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@scripts/make-demo-data $(DATA_DIR) $(BUILD_DIR)
	$(BUILD_DIR)/custorin --data-dir $(DATA_DIR)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

bench: build
	cmake --build $(BUILD_DIR) --target benchmarks -j $(JOBS)
	@scripts/run-benchmarks $(BUILD_DIR)

# The Debian package of the workstations: $(BUILD_DIR)/custorin_VERSION_ARCH.deb
package: build
	cd $(BUILD_DIR) && cpack -G DEB

# Several workstations on one data folder for a few minutes, on two mounts of
# a real SMB share when one can be set up here, and on a local folder.
soak: configure
	cmake --build $(BUILD_DIR) --target soak_worker -j $(JOBS)
	@scripts/soak $(BUILD_DIR)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD_DIR)
