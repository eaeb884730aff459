# Front door. `make run` plays the game, `make test` runs every test.
# Both install what is missing first (scripts/deps.sh), then configure and build with CMake.
BUILD   ?= build
JOBS    ?= $(shell nproc)
CMAKE_FLAGS ?=

WIN_BUILD ?= build-windows
WEB_BUILD ?= build-web

.PHONY: all deps configure build run test package asan tsan bench clean windows test-windows web serve-web test-web

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

# 64-bit Windows, cross-built with MinGW-w64 (cmake/mingw-w64-x86_64.cmake), statically
# linked; the build-time generators are built natively inside $(WIN_BUILD)/host.
windows:
	@bash scripts/deps-windows.sh
	cmake -S . -B $(WIN_BUILD) -G Ninja --toolchain cmake/mingw-w64-x86_64.cmake --no-warn-unused-cli \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKARVO_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(WIN_BUILD) -j $(JOBS)

# The Windows build under Wine: its unit tests, the same bytes as the Linux tools, and the
# game beside the Linux one (scripts/test-windows.sh).
test-windows:
	@bash scripts/deps-windows.sh test
	@$(MAKE) --no-print-directory windows
	@$(MAKE) --no-print-directory configure
	cmake --build $(BUILD) -j $(JOBS) --target mxm skarvo-sim skarvo e2e_test
	bash scripts/test-windows.sh $(WIN_BUILD) $(BUILD)

# The browser: WebAssembly with Debian's emscripten (cmake/emscripten.cmake). libpng and
# zlib come from Debian's source packages, built once into $(WEB_BUILD)/third_party; the
# build-time generators are built natively inside $(WEB_BUILD)/host, the threaded page in
# $(WEB_BUILD)/threads. The page, its zip and the node tools land in $(WEB_BUILD).
# Debian's emscripten needs node to find Debian's own node modules.
web serve-web test-web: export NODE_PATH := /usr/share/nodejs$(if $(NODE_PATH),:$(NODE_PATH))
web:
	@bash scripts/deps-web.sh
	@bash scripts/web-libs.sh $(WEB_BUILD)/third_party
	@$(MAKE) --no-print-directory $(WEB_BUILD)/build.ninja
	cmake --build $(WEB_BUILD) -j $(JOBS)
	@bash scripts/web-size.sh $(WEB_BUILD)

$(WEB_BUILD)/build.ninja:
	cmake -S . -B $(WEB_BUILD) -G Ninja --toolchain cmake/emscripten.cmake --no-warn-unused-cli \
	  -DCMAKE_BUILD_TYPE=Release -DSKARVO_TESTS=OFF -DSKARVO_BENCH=OFF \
	  -DSKARVO_WEB_LIBS=$(abspath $(WEB_BUILD))/third_party $(CMAKE_FLAGS)

# The page on http://127.0.0.1:8080/ (or a free port; PORT=N to choose), with the
# cross-origin isolation headers that let it run the threaded build.
serve-web: web
	node scripts/serve-web.js $(if $(PORT),--port $(PORT)) $(WEB_BUILD)

# The web build against the Linux one: the node tools' bytes, the textures' texels, then
# the page in headless Chromium (scripts/test-web.sh).
test-web:
	@bash scripts/deps-web.sh test
	@$(MAKE) --no-print-directory web
	@$(MAKE) --no-print-directory configure
	cmake --build $(BUILD) -j $(JOBS) --target mxm skarvo-sim pcm_match texel_hash
	cmake --build $(WEB_BUILD) -j $(JOBS) --target texel_hash
	bash scripts/test-web.sh $(WEB_BUILD) $(BUILD)

clean:
	rm -rf build build-asan build-tsan $(WIN_BUILD) $(WEB_BUILD)
