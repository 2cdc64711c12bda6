# The two commands of the README: `make play` and `make test`.
JOBS ?= $(shell nproc)

.PHONY: play test configure build deps deps-test clean

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

# Every test twice: the normal build, then an AddressSanitizer + UBSan build.
test: deps-test build
	ctest --test-dir build --output-on-failure -j$(JOBS)
	cmake -S . -B build-asan -DBRINVALE_WERROR=ON -DBRINVALE_SANITIZE=ON -DBRINVALE_BENCH=OFF
	cmake --build build-asan -j$(JOBS)
	ctest --test-dir build-asan --output-on-failure -j$(JOBS)

clean:
	rm -rf build build-asan
