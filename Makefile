# The two commands of the README: `make play` and `make test`; `make web` builds the browser version.
JOBS ?= $(shell nproc)

.PHONY: play test configure build deps deps-test clean web web-test deps-web

deps:
	@tools/install-deps.sh build

deps-test:
	@tools/install-deps.sh test

configure: deps
	cmake -S . -B build -DBRINVALE_WERROR=ON

build: configure
	cmake --build build -j$(JOBS)

# Builds the game and its pictures only, and starts it from the build folder, which holds pic/.
play: configure
	cmake --build build --target brinvale -j$(JOBS)
	cd build && ./brinvale

deps-web:
	@tools/install-deps.sh web

# The browser version into build-web/: index.html, brinvale.js, .wasm and .data, whose pic/ the native
# generator draws. Debian's emcc needs NODE_PATH to find its JavaScript modules.
web: configure deps-web
	cmake --build build --target brinvale-gen-assets -j$(JOBS)
	NODE_PATH=/usr/share/nodejs emcmake cmake -S web -B build-web/obj \
	  -DBRINVALE_GEN_ASSETS=$(CURDIR)/build/brinvale-gen-assets
	NODE_PATH=/usr/share/nodejs cmake --build build-web/obj -j$(JOBS)

# The browser version in headless Chromium: the GL 1.x layer's pictures against the desktop's, then
# the game itself, whose last line says how many checks passed and failed.
web-test: deps-test web
	cmake --build build --target brinvale-scenes brinvale_pic -j$(JOBS)
	tests/web/gl1-scenes/check.sh build build-web/gl1-scenes
	node tests/web/web_test.mjs build-web

# Every test twice: the normal build, then an AddressSanitizer + UBSan build.
test: deps-test build
	ctest --test-dir build --output-on-failure -j$(JOBS)
	cmake -S . -B build-asan -DBRINVALE_WERROR=ON -DBRINVALE_SANITIZE=ON -DBRINVALE_BENCH=OFF
	cmake --build build-asan -j$(JOBS)
	ctest --test-dir build-asan --output-on-failure -j$(JOBS)
	$(MAKE) --no-print-directory web-test

clean:
	rm -rf build build-asan build-web
