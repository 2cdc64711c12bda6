# The targets of the README's commands (./run play, ./run test, ./run deb), which install make
# itself first; with make present, `make play` and the others work alike.
JOBS ?= $(shell nproc)

.PHONY: play test deb configure build deps deps-deb deps-test clean

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

# Every test twice: the normal build, then an AddressSanitizer + UBSan build.
test: deps-test build
	ctest --test-dir build --output-on-failure -j$(JOBS)
	cmake -S . -B build-asan -DBRINVALE_WERROR=ON -DBRINVALE_SANITIZE=ON -DBRINVALE_BENCH=OFF
	cmake --build build-asan -j$(JOBS)
	ctest --test-dir build-asan --output-on-failure -j$(JOBS)

# The Debian package, made from the build folder: build/brinvale_<version>_<arch>.deb.
deb: deps-deb configure
	cmake --build build --target brinvale brinvale_manpage brinvale_packaging -j$(JOBS)
	cd build && cpack -G DEB

clean:
	rm -rf build build-asan
