# Front door. `make run` plays the game, `make test` runs every test.
# Both install what is missing first (scripts/deps.sh), then configure and build with CMake.
BUILD   ?= build
JOBS    ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test package asan tsan bench clean

all: build

deps:
	@bash scripts/deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/shell/skarvo

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The Debian package of this build, made by CPack: $(BUILD)/skarvo_<version>_<arch>.deb.
package: build
	cd $(BUILD) && cpack -G DEB

# Sanitizer builds: ASan+UBSan and TSan, each in its own build folder.
asan: deps
	cmake --preset asan && cmake --build build-asan -j $(JOBS) && ctest --test-dir build-asan --output-on-failure -j $(JOBS)

tsan: deps
	cmake --preset tsan && cmake --build build-tsan -j $(JOBS) && ctest --test-dir build-tsan --output-on-failure -j $(JOBS) -L threaded

bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; $$b; done

clean:
	rm -rf build build-asan build-tsan
