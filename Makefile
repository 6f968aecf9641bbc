# The two commands a new player or developer needs:
#   make run    install what is missing, build, start the game
#   make test   the same set-up, then every test (plain and under sanitizers)

CMAKE_FLAGS :=
ifneq ($(CI),)
CMAKE_FLAGS += -DMORROW_WERROR=ON
endif

.PHONY: all setup build run test test-plain test-asan bench soak format format-check contact-sheet sound-sheet clean

all: build

setup:
	@bash scripts/setup.sh

build: setup
	cmake --preset default $(CMAKE_FLAGS)
	cmake --build --preset default

run: build
	./build/game/morrowmas-slots

test: test-plain test-asan

test-plain: build
	ctest --preset default

test-asan: setup
	cmake --preset asan $(CMAKE_FLAGS)
	cmake --build --preset asan
	ctest --preset asan

bench: build
	./build/bench/morrow-bench
	QT_QPA_PLATFORM=offscreen ./build/bench/morrow-draw-bench

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
	rm -rf build build-asan
