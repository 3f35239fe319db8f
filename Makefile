# The two commands: `make run` and `make test`. Both install what is missing first.

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

# Debian 12 packages needed to build, test, fuzz and package Tuneprune.
PACKAGES := cmake g++ clang make qt6-base-dev qt6-base-dev-tools libgl-dev \
            fonts-dejavu-core xvfb xdotool xauth desktop-file-utils appstream dpkg-dev file \
            fuse3 libfuse3-dev pkg-config

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test package bench clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing:" $$missing; \
	    $(SUDO) apt-get update -q && \
	    $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	fi

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: configure
	cmake --build $(BUILD) -j $(JOBS) --target tuneprune
	./$(BUILD)/tuneprune

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

package: build
	cd $(BUILD) && cpack -G DEB

bench: deps
	cmake -S . -B $(BUILD)-release -DCMAKE_BUILD_TYPE=Release -DTUNEPRUNE_TESTS=ON -DTUNEPRUNE_BENCH=ON
	cmake --build $(BUILD)-release -j $(JOBS) --target tuneprune_bench
	bench/run.sh $(BUILD)-release

clean:
	rm -rf $(BUILD) $(BUILD)-release
