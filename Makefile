# SPDX-License-Identifier: GPL-3.0-or-later
# The two commands a new player or developer needs:
#   make run    install what is missing, build, start the game
#   make test   the same set-up, then every test (plain and under sanitizers)

CMAKE_FLAGS :=
ifneq ($(CI),)
CMAKE_FLAGS += -DMORROW_WERROR=ON
endif

.PHONY: all setup build run test test-plain test-asan test-fuzz fuzz bench soak package package-check fresh-check format format-check contact-sheet sound-sheet clean

all: build

setup:
	@bash scripts/setup.sh

build: setup
	cmake --preset default $(CMAKE_FLAGS)
	cmake --build --preset default

run: build
	./build/game/morrowmas-slots

test: test-plain test-asan test-fuzz

test-plain: build
	ctest --preset default

test-asan: setup
	cmake --preset asan $(CMAKE_FLAGS)
	cmake --build --preset asan
	ctest --preset asan

# The readers of outside bytes under libFuzzer: a few seconds each in `make
# test`; `make fuzz` runs each for FUZZ_SECONDS (default 10 minutes).
FUZZ_SECONDS ?= 600
test-fuzz: setup
	cmake --preset fuzz
	cmake --build --preset fuzz
	ctest --preset fuzz

fuzz: setup
	cmake --preset fuzz
	cmake --build --preset fuzz
	bash fuzz/run-long.sh build-fuzz $(FUZZ_SECONDS)

bench: build
	./build/bench/morrow-bench
	QT_QPA_PLATFORM=offscreen ./build/bench/morrow-draw-bench

# The Debian packages, build-package/morrowmas-slots_<version>_amd64.deb and
# morrowmas-slots-data_<version>_all.deb, built with Debian's flags in a
# folder of its own.
package: setup
	bash packaging/build-deb.sh build-package

# The package checked as a reviewer and a player meet it: built a second time
# in another folder and compared byte for byte, hardening and validators,
# then install, play, remove and purge in a throw-away Debian 12 root (needs
# root; uses sudo).
package-check: package
	bash packaging/package-check.sh build-package

# scripts/setup.sh checked on a Debian 12 root with only make and git: every
# preset configures, and one small test of each builds and runs (needs root;
# uses sudo). A few minutes once the root and its packages are cached.
fresh-check: setup
	bash scripts/fresh-check.sh

# Half an hour and more of play in a real window (by hand or nightly):
# memory, output and the saved game after 1000 spins.
soak: build
	ctest --test-dir build -C Soak -L soak --output-on-failure -V

format: build
	cmake --build --preset default --target format

format-check: build
	cmake --build --preset default --target format-check

contact-sheet: build
	cmake --build --preset default --target contact-sheet

sound-sheet: build
	cmake --build --preset default --target sound-sheet

clean:
	rm -rf build build-asan build-fuzz
