# The two commands: `make run` starts the wizard on the simulated device;
# `make test` builds the Linux program and both Windows programs and runs every test.

GENERATOR := $(if $(shell command -v ninja 2>/dev/null),Ninja,Unix Makefiles)
JOBS := $(shell nproc 2>/dev/null || echo 2)
CMAKE_CONFIGURE = cmake -S . -G "$(GENERATOR)" -Wno-dev

.PHONY: run test floors deps native windows win64 win32 sanitizers bench wine-test install clean fuzz fuzz-build fuzz-smoke

# Tests that start processes of their own stay out of the thread-sanitizer run.
TSAN_FILTER := -UpdaterSim*:Updater.*:InstanceGuard*

run:
	@command -v cmake >/dev/null || { echo "make run needs CMake (Debian: apt-get install cmake)." >&2; exit 1; }
	@command -v c++ >/dev/null || command -v g++ >/dev/null || \
	  { echo "make run needs a C++ compiler (Debian: apt-get install g++)." >&2; exit 1; }
	@$(CMAKE_CONFIGURE) -B build/native >/dev/null
	@cmake --build build/native --target updater-sim -j $(JOBS)
	@./build/native/src/updater-sim

test: floors deps native windows sanitizers
	ctest --test-dir build/native --output-on-failure --no-tests=error -j $(JOBS)
	./build/asan/tests/updater_tests --gtest_brief=1
	[ ! -x build/asan/tests/libusb_device_tests ] || ./build/asan/tests/libusb_device_tests --gtest_brief=1
	./build/tsan/tests/updater_tests --gtest_brief=1 --gtest_filter='$(TSAN_FILTER)'
	./build/native/transfer_bench
	./tests/wine/run_windows_tests.sh build/win64 build/wine
	./tests/wine/run_windows_tests.sh build/win32 build/wine session
	$(MAKE) fuzz-smoke

deps:
	@./tools/deps.sh

# Every file includes only its own floor and the floors below it.
floors:
	@./tools/check_floors.sh

native:
	$(CMAKE_CONFIGURE) -B build/native -DUPDATER_BUILD_TESTS=ON -DUPDATER_REQUIRE_TESTS=ON
	cmake --build build/native -j $(JOBS)

# Every test again with address and undefined-behaviour checks, and the update
# engine and the scenarios with the thread checker.
sanitizers:
	$(CMAKE_CONFIGURE) -B build/asan -DUPDATER_SANITIZE=address,undefined -DUPDATER_BUILD_TESTS=ON -DUPDATER_REQUIRE_TESTS=ON
	cmake --build build/asan --target test_programs updater updater-sim -j $(JOBS)
	$(CMAKE_CONFIGURE) -B build/tsan -DUPDATER_SANITIZE=thread -DUPDATER_BUILD_TESTS=ON -DUPDATER_REQUIRE_TESTS=ON
	cmake --build build/tsan --target updater_tests -j $(JOBS)

# The x86_64 Windows program under Wine, driven by key presses.
wine-test: win64
	./tests/wine/run_windows_tests.sh build/win64 build/wine

# The fuzz harnesses (clang and libFuzzer, with address and undefined-behaviour
# checks) in build/fuzz: `make fuzz` runs each for FUZZ_SECONDS; `make test` each
# for a few seconds. One harness longer:
#   tests/fuzz/run_fuzzers.sh build/fuzz 600 discovery
FUZZ_SECONDS ?= 60

fuzz-build:
	$(CMAKE_CONFIGURE) -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DUPDATER_FUZZ=ON -DUPDATER_BUILD_TESTS=OFF
	cmake --build build/fuzz --target fuzzers -j $(JOBS)

fuzz: fuzz-build
	./tests/fuzz/run_fuzzers.sh build/fuzz $(FUZZ_SECONDS)

fuzz-smoke: fuzz-build
	./tests/fuzz/run_fuzzers.sh build/fuzz 8

bench:
	$(CMAKE_CONFIGURE) -B build/native >/dev/null
	cmake --build build/native --target transfer_bench -j $(JOBS)
	./build/native/transfer_bench

windows: win64 win32

win64:
	$(CMAKE_CONFIGURE) -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
	cmake --build build/win64 -j $(JOBS)

win32:
	$(CMAKE_CONFIGURE) -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
	cmake --build build/win32 -j $(JOBS)

# Installs the updater and the udev rule that lets the logged-in user open the
# device (run as root: sudo make install), then has udev read its rules again.
PREFIX ?= /usr/local
UDEVDIR ?= /etc/udev/rules.d
DESTDIR ?=

install:
	$(CMAKE_CONFIGURE) -B build/release -DUPDATER_BUILD_TESTS=OFF
	cmake --build build/release --target updater -j $(JOBS)
	install -D -m 0755 build/release/src/updater $(DESTDIR)$(PREFIX)/bin/updater
	install -D -m 0644 packaging/60-updater-device.rules $(DESTDIR)$(UDEVDIR)/60-updater-device.rules
	@if [ -z "$(DESTDIR)" ] && command -v udevadm >/dev/null 2>&1; then \
	  udevadm control --reload-rules && udevadm trigger --subsystem-match=usb --attr-match=idVendor=fa17 || true; \
	fi
	@echo "Installed. Unplug the device and plug it in again before starting the updater."

clean:
	rm -rf build
