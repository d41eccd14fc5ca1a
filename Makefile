# The two commands: `make run` starts the wizard on the simulated device;
# `make test` builds the Linux program and both Windows programs and runs every test.
# `make release` builds what is shipped; `make install` installs a Linux build.

GENERATOR := $(if $(shell command -v ninja 2>/dev/null),Ninja,Unix Makefiles)
JOBS := $(shell nproc 2>/dev/null || echo 2)
CMAKE_CONFIGURE = cmake -S . -G "$(GENERATOR)" -Wno-dev

.PHONY: wine-runs run test floors deps native windows win64 win32 sanitizers asan tsan bench wine-test install clean \
        fuzz fuzz-build fuzz-smoke release release-linux release-win64 release-win32 package

# The sanitizer trees: light optimisation and line tables only, which build much
# faster than the native tree's full debug information and still name the line
# of a fault.
SANITIZED_BUILD := -DUPDATER_BUILD_TESTS=ON -DUPDATER_REQUIRE_TESTS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"

# Tests that start processes of their own stay out of the thread-sanitizer run.
TSAN_FILTER := -UpdaterSim*:Updater.*:InstanceGuard*

run:
	@command -v cmake >/dev/null || { echo "make run needs CMake (Debian: apt-get install cmake)." >&2; exit 1; }
	@command -v c++ >/dev/null || command -v g++ >/dev/null || \
	  { echo "make run needs a C++ compiler (Debian: apt-get install g++)." >&2; exit 1; }
	@$(CMAKE_CONFIGURE) -B build/native >/dev/null
	@cmake --build build/native --target updater-sim -j $(JOBS)
	@./build/native/src/updater-sim

# Every test, in stages: one line each, `$(STAGE) [--after STAGE]... NAME 'COMMAND'`
# (the command may `skip "why"`). Every stage runs, a stage after one it needs
# that did not pass is skipped, and the summary at the end fails when one failed.
# What is shipped is what is tested: the Windows programs and the Linux package
# checked here are the release trees' (build/release*).
STAGE := @./tools/stage.sh run
# The i686 program runs under the 32-bit Wine; where it could not be installed,
# tools/deps.sh says why.
WINE32_OR_SKIP := why=$$(./tools/deps.sh --check-wine32) || skip "$$why"

test:
	@./tools/stage.sh begin
	$(STAGE) floors './tools/check_floors.sh'
	$(STAGE) deps './tools/deps.sh'
	$(STAGE) deps-check './tools/check_deps.sh >/dev/null'
	$(STAGE) native '$(MAKE) --no-print-directory native'
	$(STAGE) release-linux '$(MAKE) --no-print-directory release-linux'
	$(STAGE) release-win64 '$(MAKE) --no-print-directory release-win64'
	$(STAGE) release-win32 '$(MAKE) --no-print-directory release-win32'
	$(STAGE) --after native tests 'ctest --test-dir build/native --output-on-failure --no-tests=error -j $(JOBS)'
	$(STAGE) --after native bench './build/native/transfer_bench'
	$(STAGE) --after release-win64 --background wine '$(MAKE) --no-print-directory wine-runs'
	$(STAGE) asan '$(MAKE) --no-print-directory asan'
	$(STAGE) tsan '$(MAKE) --no-print-directory tsan'
	@./tools/stage.sh join
	$(STAGE) --after release-linux package './tools/package.sh build/release build/dist'
	$(STAGE) --after release-win64 --after release-win32 signing './tools/check_signing.sh build/signing build/release-win64/src/updater.exe build/release-win32/src/updater.exe'
	$(STAGE) fuzz '$(MAKE) --no-print-directory fuzz-smoke'
	@./tools/stage.sh summary

# The programs on virtual screens, one after the other: they mostly wait, so
# `make test` runs them beside the sanitizer builds.
wine-runs:
	$(STAGE) wine-win64 './tests/wine/run_windows_tests.sh build/release-win64 build/wine'
	$(STAGE) --after release-win32 wine-win32 '$(WINE32_OR_SKIP); ./tests/wine/run_windows_tests.sh build/release-win32 build/wine session'
	$(STAGE) --after native desktop './tests/qt/run_desktop_test.sh build/native build/desktop'

# The 32-bit Wine is tried again even if it failed a short while ago.
deps:
	@rm -f /var/tmp/updater-wine32-missing
	@./tools/deps.sh

# Every file includes only its own floor and the floors below it.
floors:
	@./tools/check_floors.sh

native:
	$(CMAKE_CONFIGURE) -B build/native -DUPDATER_BUILD_TESTS=ON -DUPDATER_REQUIRE_TESTS=ON \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
	cmake --build build/native -j $(JOBS)

# Every test again with address and undefined-behaviour checks, and the update
# engine and the scenarios with the thread checker.
sanitizers: asan tsan

asan:
	$(CMAKE_CONFIGURE) -B build/asan -DUPDATER_SANITIZE=address,undefined $(SANITIZED_BUILD)
	cmake --build build/asan --target test_programs updater updater-sim -j $(JOBS)
	./build/asan/tests/updater_tests --gtest_brief=1
	[ ! -x build/asan/tests/libusb_device_tests ] || ./build/asan/tests/libusb_device_tests --gtest_brief=1

tsan:
	$(CMAKE_CONFIGURE) -B build/tsan -DUPDATER_SANITIZE=thread $(SANITIZED_BUILD)
	cmake --build build/tsan --target updater_tests -j $(JOBS)
	./build/tsan/tests/updater_tests --gtest_brief=1 --gtest_filter='$(TSAN_FILTER)'

# The x86_64 Windows program under Wine, driven by key presses.
wine-test: release-win64
	./tests/wine/run_windows_tests.sh build/release-win64 build/wine

# The fuzz harnesses (clang and libFuzzer, with address and undefined-behaviour
# checks) in build/fuzz: `make fuzz` runs each for FUZZ_SECONDS; `make test` each
# for 4 seconds, enough to run its seeds and find what breaks at once. One harness longer:
#   tests/fuzz/run_fuzzers.sh build/fuzz 600 discovery
FUZZ_SECONDS ?= 60

fuzz-build:
	$(CMAKE_CONFIGURE) -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DUPDATER_FUZZ=ON -DUPDATER_BUILD_TESTS=OFF
	cmake --build build/fuzz --target fuzzers -j $(JOBS)

fuzz: fuzz-build
	./tests/fuzz/run_fuzzers.sh build/fuzz $(FUZZ_SECONDS)

fuzz-smoke: fuzz-build
	./tests/fuzz/run_fuzzers.sh build/fuzz 4

bench:
	$(CMAKE_CONFIGURE) -B build/native >/dev/null
	cmake --build build/native --target transfer_bench quit_bench -j $(JOBS)
	./build/native/transfer_bench
	./build/native/quit_bench

# The Windows programs that are tested are the ones shipped: the release trees,
# which also hold updater-sim.exe and the Wine run's helpers.
windows: release-win64 release-win32
win64 win32: win%: release-win%

# What is shipped, in build/dist: the x86_64 and i686 updater.exe and the Debian
# package of the Linux program, optimised and stripped, each carrying the firmware
# image given as for CMake, with its version, and SHA256SUMS, the digests of them all:
#   make release UPDATER_FIRMWARE_IMAGE=/path/to/master-controller.bin UPDATER_FIRMWARE_VERSION=V2.70a-1
# Without an image they carry the development image, and say so.
UPDATER_FIRMWARE_IMAGE ?=
UPDATER_FIRMWARE_BOOT_IMAGE ?=
UPDATER_FIRMWARE_TEMP_IMAGE ?=
UPDATER_FIRMWARE_VERSION ?= V2.60a-3
RELEASE_OPTIONS = -DCMAKE_BUILD_TYPE=Release -DUPDATER_STRIP=ON -DUPDATER_BUILD_TESTS=OFF \
  -DUPDATER_FIRMWARE_IMAGE="$(UPDATER_FIRMWARE_IMAGE)" -DUPDATER_FIRMWARE_BOOT_IMAGE="$(UPDATER_FIRMWARE_BOOT_IMAGE)" \
  -DUPDATER_FIRMWARE_TEMP_IMAGE="$(UPDATER_FIRMWARE_TEMP_IMAGE)" -DUPDATER_FIRMWARE_VERSION="$(UPDATER_FIRMWARE_VERSION)"
DEVELOPMENT_IMAGE_NOTE = $(if $(UPDATER_FIRMWARE_IMAGE),,@echo "make $@: no UPDATER_FIRMWARE_IMAGE given: \
the programs embed the DEVELOPMENT image (firmware $(UPDATER_FIRMWARE_VERSION)), for the simulated device and tests \
only, not for devices.")
# The Windows programs with the development image stay within this size.
MAX_EXE_BYTES := 2097152

# Signing the Windows programs (Authenticode, SHA-256; tools/sign_windows.sh):
#   make release UPDATER_SIGN_PKCS12=cert.p12 UPDATER_SIGN_PASSWORD_FILE=cert.pass \
#                [UPDATER_SIGN_TIMESTAMP_URL=http://timestamp.example]
UPDATER_SIGN_PKCS12 ?=
UPDATER_SIGN_PASSWORD_FILE ?=
UPDATER_SIGN_TIMESTAMP_URL ?=
SIGN_SETTINGS = UPDATER_SIGN_PKCS12="$(UPDATER_SIGN_PKCS12)" UPDATER_SIGN_PASSWORD_FILE="$(UPDATER_SIGN_PASSWORD_FILE)" \
  UPDATER_SIGN_TIMESTAMP_URL="$(UPDATER_SIGN_TIMESTAMP_URL)"
UNSIGNED_NOTE = $(if $(UPDATER_SIGN_PKCS12),,@echo "make $@: no UPDATER_SIGN_PKCS12 given: the Windows programs \
are UNSIGNED; Windows warns before running them and managed PCs may refuse them.")

release:
	$(DEVELOPMENT_IMAGE_NOTE)
	$(UNSIGNED_NOTE)
	@[ -z "$(UPDATER_SIGN_PKCS12)" ] || $(SIGN_SETTINGS) ./tools/sign_windows.sh --check
	rm -rf build/dist
	$(MAKE) --no-print-directory release-win64 release-win32 package
	@for arch in win64 win32; do \
	  exe=build/release-$$arch/src/updater.exe; dist=build/dist/$$arch/updater.exe; \
	  if [ -n "$(UPDATER_SIGN_PKCS12)" ]; then $(SIGN_SETTINGS) ./tools/sign_windows.sh $$exe $$dist || exit 1; \
	  else install -D -m 0644 $$exe $$dist; fi; \
	  size=$$(stat -c %s $$dist); \
	  if [ -z "$(UPDATER_FIRMWARE_IMAGE)" ] && [ $$size -gt $(MAX_EXE_BYTES) ]; then \
	    echo "make release: $$dist is $$size bytes, more than $(MAX_EXE_BYTES)" >&2; exit 1; \
	  fi; \
	  echo "release: $$dist ($$size bytes)"; \
	done
	@cd build/dist && find . -type f ! -name SHA256SUMS -printf '%P\n' | LC_ALL=C sort | \
	  xargs -d '\n' sha256sum >SHA256SUMS && echo "release: build/dist/SHA256SUMS" && cat SHA256SUMS
	$(DEVELOPMENT_IMAGE_NOTE)
	$(UNSIGNED_NOTE)

# The Linux program hardened as Debian hardens what it ships.
release-linux:
	$(CMAKE_CONFIGURE) -B build/release $(RELEASE_OPTIONS) -DUPDATER_HARDEN=ON
	cmake --build build/release --target updater updater_package_files -j $(JOBS)
	@touch build/release/built.stamp

# Each Windows tree builds updater.exe and, with the same options, updater-sim.exe
# and the Wine run's helpers, which `make test` runs.
release-win64 release-win32: release-%:
	$(CMAKE_CONFIGURE) -B build/release-$* $(RELEASE_OPTIONS) \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-$(if $(filter win64,$*),x86_64,i686).cmake
	cmake --build build/release-$* -j $(JOBS)
	@exe=build/release-$*/src/updater.exe; size=$$(stat -c %s $$exe); \
	  if [ -z "$(UPDATER_FIRMWARE_IMAGE)" ] && [ $$size -gt $(MAX_EXE_BYTES) ]; then \
	    echo "make $@: $$exe is $$size bytes, more than $(MAX_EXE_BYTES)" >&2; exit 1; \
	  fi; echo "$$exe: $$size bytes"

# The Debian package of the Linux program, checked, into build/dist.
package: release-linux
	./tools/package.sh build/release build/dist
	$(DEVELOPMENT_IMAGE_NOTE)

# Installs the Linux program built by `make release-linux` (or `make package`) as
# norva-mz5100p-updater, its manual page, its desktop entry, metainfo and icons,
# and the udev rule that lets the logged-in user open the device; run as root: sudo make install. It builds
# nothing: build first, as yourself. Installed into the live system, it has udev
# read its rules again.
PREFIX ?= /usr/local
UDEVDIR ?= /etc/udev/rules.d
DESTDIR ?=
INSTALLED_NAME := norva-mz5100p-updater
DESKTOP_ID := example.norva.mz5100p_updater
ICON_SIZES := 16 32 48 64 128 256

install:
	@[ -x build/release/src/updater ] && [ -f build/release/built.stamp ] || \
	  { echo "make install: nothing built yet. Build first, as yourself: make release-linux" >&2; exit 1; }
	@newer=$$(find src tools/resgen -newer build/release/built.stamp -type f | head -n 1); \
	  [ -z "$$newer" ] || { echo "make install: $$newer is newer than the build. Build again first, as yourself: \
make release-linux" >&2; exit 1; }
	install -D -m 0755 -s build/release/src/updater $(DESTDIR)$(PREFIX)/bin/$(INSTALLED_NAME)
	install -D -m 0644 packaging/$(INSTALLED_NAME).1 $(DESTDIR)$(PREFIX)/share/man/man1/$(INSTALLED_NAME).1
	install -D -m 0644 packaging/60-updater-device.rules $(DESTDIR)$(UDEVDIR)/60-updater-device.rules
	install -D -m 0644 packaging/$(DESKTOP_ID).desktop $(DESTDIR)$(PREFIX)/share/applications/$(DESKTOP_ID).desktop
	install -D -m 0644 packaging/$(DESKTOP_ID).metainfo.xml $(DESTDIR)$(PREFIX)/share/metainfo/$(DESKTOP_ID).metainfo.xml
	for size in $(ICON_SIZES); do \
	  install -D -m 0644 build/release/resources/icon-$$size.png \
	    $(DESTDIR)$(PREFIX)/share/icons/hicolor/$${size}x$$size/apps/$(INSTALLED_NAME).png || exit 1; \
	done
	@if [ -n "$(DESTDIR)" ]; then \
	  echo "Installed into $(DESTDIR)."; \
	else \
	  if command -v udevadm >/dev/null 2>&1; then \
	    udevadm control --reload-rules && udevadm trigger --subsystem-match=usb --attr-match=idVendor=fa17 || true; \
	  fi; \
	  command -v gtk-update-icon-cache >/dev/null 2>&1 && gtk-update-icon-cache -q -t $(PREFIX)/share/icons/hicolor || true; \
	  command -v update-desktop-database >/dev/null 2>&1 && update-desktop-database -q $(PREFIX)/share/applications || true; \
	  echo "Installed $(PREFIX)/bin/$(INSTALLED_NAME). Unplug the device and plug it in again before starting it."; \
	fi

clean:
	rm -rf build
