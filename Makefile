# The targets of the commands in docs/building.md (./run play, ./run quick, ./run test, ./run deb,
# ./run web, ./run win), which install make itself first; with make present, `make play` and the
# others work alike.
JOBS ?= $(shell nproc)

.PHONY: play quick test deb web web-test win win-test configure build deps deps-deb deps-test deps-web deps-win clean

deps:
	@tools/install-deps.sh build

deps-deb:
	@tools/install-deps.sh deb

deps-test:
	@tools/install-deps.sh test

configure: deps
	cmake -S . -B build -DBRINVALE_WERROR=ON

build: configure
	cmake --build build -j$(JOBS)

# Builds the game and its pictures only, and starts it; it finds build/pic beside itself.
play: configure
	cmake --build build --target brinvale -j$(JOBS)
	build/brinvale

# A cross build's folder configured from another source folder (web/ and win/ were once projects of
# their own) is made afresh, since CMake refuses to switch a folder's source.
fresh_obj = grep -qsx 'CMAKE_HOME_DIRECTORY:INTERNAL=$(CURDIR)' $(1)/CMakeCache.txt || rm -rf $(1)

deps-web:
	@tools/install-deps.sh web

# The browser version into build-web/: index.html, brinvale.js, .wasm and .data, whose pic/ the native
# generator draws; the top CMakeLists.txt under emcmake. Debian's emcc needs NODE_PATH to find its
# JavaScript modules.
web: configure deps-web
	cmake --build build --target brinvale-gen-assets -j$(JOBS)
	@$(call fresh_obj,build-web/obj)
	NODE_PATH=/usr/share/nodejs emcmake cmake -S . -B build-web/obj -DBRINVALE_WERROR=ON \
	  -DBRINVALE_GEN_ASSETS=$(CURDIR)/build/brinvale-gen-assets
	NODE_PATH=/usr/share/nodejs cmake --build build-web/obj -j$(JOBS)

# The browser version: the GL 1.x layer's pictures in headless Chromium against the desktop's, the wave
# reader in wasm32 under node, the store in Chromium, then the game itself in Chromium, Firefox ESR and WebKitGTK, whose last
# line says how many checks passed and failed in the three.
web-test: deps-test web
	cmake --build build --target brinvale-scenes brinvale_pic -j$(JOBS)
	tests/web/gl1-scenes/check.sh build build-web/gl1-scenes
	timeout 60 node build-web/obj/brinvale-wave-test.js
	timeout 120 node tests/web/store_check.mjs build-web/obj
	node tests/web/web_test.mjs build-web

deps-win:
	@tools/install-deps.sh win

# The Windows version into build-win/: brinvale.exe cross-compiled with mingw-w64 and linked
# statically (the top CMakeLists.txt with the mingw-w64 toolchain file), pic/ from the native
# generator, and brinvale-<version>-win64.zip.
win: configure deps-win
	cmake --build build --target brinvale-gen-assets -j$(JOBS)
	@$(call fresh_obj,build-win/obj)
	cmake -S . -B build-win/obj -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake -DBRINVALE_WERROR=ON \
	  -DBRINVALE_GEN_ASSETS=$(CURDIR)/build/brinvale-gen-assets
	cmake --build build-win/obj -j$(JOBS)

# The Windows version under Wine on a private Xvfb, in a Wine prefix made for the run and removed
# after it; the .exe's imports are checked first.
win-test: deps-test win
	python3 tests/e2e/e2e.py wine --game build-win/brinvale.exe --build build-win --artefacts build-win/e2e-artefacts

# What a contributor runs between changes: the native build and its tests, without the e2e cases
# (each a real game under Xvfb) and the package's: about a minute.
quick: deps-test build
	ctest --test-dir build --output-on-failure -j$(JOBS) -E '^(e2e|package)\.'

# Every test twice: the normal build, then an AddressSanitizer + UBSan build.
test: deps-test build
	ctest --test-dir build --output-on-failure -j$(JOBS)
	cmake -S . -B build-asan -DBRINVALE_WERROR=ON -DBRINVALE_SANITIZE=ON -DBRINVALE_BENCH=OFF
	cmake --build build-asan -j$(JOBS)
	ctest --test-dir build-asan --output-on-failure -j$(JOBS)
	$(MAKE) --no-print-directory web-test
	$(MAKE) --no-print-directory win-test

# The Debian package, made from the build folder: build/brinvale_<version>_<arch>.deb.
deb: deps-deb configure
	cmake --build build --target brinvale brinvale_manpage brinvale_packaging -j$(JOBS)
	cd build && cpack -G DEB

clean:
	rm -rf build build-asan build-web build-win
