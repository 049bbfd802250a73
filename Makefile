# FLASHKIT: the two everyday commands are `make run` and `make test`.
BUILD      ?= build
WIN_BUILD  ?= build-win
GENERATOR  ?= Ninja
CMAKE_ARGS ?=

.PHONY: all bootstrap configure build windows dist-windows demo-windows screenshots-windows test test-linux test-windows run demo-cli demo-network package tsan asan fuzz soak bench format clean

all: build

bootstrap:
	@scripts/bootstrap

configure: bootstrap
	@cmake -S . -B $(BUILD) -G $(GENERATOR) $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD)

# The Windows deliverables, cross-built with mingw-w64 (their tests run under wine).
windows: bootstrap
	@cmake -S . -B $(WIN_BUILD) -G $(GENERATOR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DFLASHKIT_HOST_BUILD=$(abspath $(BUILD)) $(CMAKE_ARGS) >/dev/null
	@cmake --build $(WIN_BUILD)

# build-win/FLASHKIT-<version>-win64.zip: the programs, the libraries, a
# sample FLASHKIT.INI and a README for Windows users.
dist-windows: build windows
	@scripts/dist-windows $(WIN_BUILD) $(BUILD)

# The headless demo with flashkit-cli.exe under wine against qx7a-sim.
demo-windows: build windows
	@scripts/demo-windows $(WIN_BUILD) $(BUILD)

# docs/windows-*.png: flashkit.exe from the zip under wine on a virtual
# screen, worked with xdotool against qx7a-sim.
screenshots-windows: build dist-windows
	@scripts/screenshots-windows $(WIN_BUILD) $(BUILD)

# Both suites: the Linux one, then the Windows one under wine.
test: build windows
	@$(MAKE) --no-print-directory test-linux test-windows

test-linux:
	@ctest --test-dir $(BUILD) --output-on-failure </dev/null

test-windows:
	@scripts/test-windows $(WIN_BUILD) -j2

run: build
	@scripts/demo $(BUILD)

demo-cli: build
	@scripts/demo --cli $(BUILD)

# The headless demo through ser2net on 127.0.0.1: getver, update, getver over rfc2217://.
demo-network: build
	@scripts/demo-network $(BUILD)

# The Debian package: $(BUILD)/flashkit_<version>_<arch>.deb
package: build
	@cmake --build $(BUILD) --target package

# The whole suite under ThreadSanitizer and under AddressSanitizer, each in a build of its own.
tsan: bootstrap
	@cmake -S . -B build-tsan -G $(GENERATOR) -DFLASHKIT_SANITIZE=thread -DFLASHKIT_BUILD_GUI=OFF -DFLASHKIT_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-tsan
	@ctest --test-dir build-tsan --output-on-failure

asan: bootstrap
	@cmake -S . -B build-asan -G $(GENERATOR) -DFLASHKIT_SANITIZE=address -DFLASHKIT_BUILD_GUI=OFF -DFLASHKIT_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-asan
	@ctest --test-dir build-asan --output-on-failure

# Every libFuzzer target (clang, ASan + UBSan) for FUZZ_SECONDS each, one after the other; new
# inputs collect in build-fuzz/corpus. The checked-in seeds also replay in make test.
FUZZ_SECONDS ?= 60
fuzz: bootstrap
	@cmake -S . -B build-fuzz -G $(GENERATOR) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DFLASHKIT_SANITIZE=address -DFLASHKIT_FUZZ=ON -DFLASHKIT_BUILD_GUI=OFF -DFLASHKIT_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-fuzz --target fuzzers
	@scripts/fuzz build-fuzz $(FUZZ_SECONDS)

# The long run: 100 operations in one process against qx7a-sim, resources before and after.
soak: build
	@$(BUILD)/bin/engine_soak

bench: build
	@for b in $(BUILD)/bin/*_bench; do echo "== $$b"; $$b; done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(WIN_BUILD) build-tsan build-asan build-fuzz
