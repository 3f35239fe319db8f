# The two commands: `make run` and `make test`. Both install what is missing first.

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

# Debian packages (12 and 13 alike): what building and running need, then what the tests, the
# fuzzing and the package add.
RUN_PACKAGES := cmake g++ make qt6-base-dev qt6-base-dev-tools libgl-dev
TEST_PACKAGES := $(RUN_PACKAGES) clang fonts-dejavu-core xvfb xdotool xauth desktop-file-utils appstream \
                 dpkg-dev file fuse3 libfuse3-dev pkg-config

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps deps-test configure build run test package bench clean

all: build

# Installs the packages of $(1) that are missing, through sudo when not root.
install-missing = @missing=$$(for p in $(1); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing:" $$missing; \
	    $(SUDO) apt-get update -q && \
	    $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	fi

deps:
	$(call install-missing,$(RUN_PACKAGES))

deps-test:
	$(call install-missing,$(TEST_PACKAGES))

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: configure
	cmake --build $(BUILD) -j $(JOBS) --target tuneprune
	./$(BUILD)/tuneprune

# Configures again, so that what deps-test brought (libfuse3 after a `make run`) is found.
test: deps-test
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

package: deps-test configure
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && cpack -G DEB

bench: deps-test
	cmake -S . -B $(BUILD)-release -DCMAKE_BUILD_TYPE=Release -DTUNEPRUNE_TESTS=ON -DTUNEPRUNE_BENCH=ON
	cmake --build $(BUILD)-release -j $(JOBS) --target tuneprune_bench
	bench/run.sh $(BUILD)-release

clean:
	rm -rf $(BUILD) $(BUILD)-release
