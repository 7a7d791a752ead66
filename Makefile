# The two commands a newcomer needs: `make run` and `make test`.
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_WERROR=ON

.PHONY: all deps test-deps configure build game run install package test format-check lint test-sanitize bench fuzz screenshot format clean

all: build

# What building and playing need; test-deps adds the tests', benchmarks', linters' and package's.
deps:
	@scripts/install-deps

test-deps:
	@scripts/install-deps --test

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

# Everything, tests and fuzz targets included.
build: configure
	@cmake --build $(BUILD)

# Only what a player runs: the game, its market, its music library and its program folder.
game: configure
	@cmake --build $(BUILD) --target quorvane quorvane-market quorvane_music program_folder

# Without a desktop, run-game also writes a picture of the window: that needs the screenshot tool.
run: game
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY$$QT_QPA_PLATFORM" ]; then cmake --build $(BUILD) --target quorvane-screenshot; fi
	@scripts/run-game $(BUILD)/bin

# The game for this player alone, laid out as the package lays it out under /usr: under ~/.local
# the menu entry and icons land where the desktop looks for them. The saved games and settings are
# in $(PREFIX)/share/games/quorvane, so a flat folder from an older install is left alone.
PREFIX ?= $(HOME)/.local
OLD_INSTALL := $(HOME)/.local/share/quorvane
install: game
	@cmake --install $(BUILD) --prefix "$(PREFIX)" >/dev/null
	@echo "Installed: $(PREFIX)/games/quorvane, menu entry in $(PREFIX)/share/applications"
	@if [ -f "$(OLD_INSTALL)/options.cfg" ]; then echo "Games saved with the older install stay in $(OLD_INSTALL): copy their .qvn, .qvh and .fav files into $(PREFIX)/share/games/quorvane to go on with them here."; fi

# The Debian package, in $(BUILD)/package.
package: test-deps game
	@cmake -S packaging -B $(BUILD)/package -DQUORVANE_BUILD=$(abspath $(BUILD)) >/dev/null
	@cd $(BUILD)/package && cpack
	@ls $(BUILD)/package/*.deb

test: test-deps format-check build
	@ctest --test-dir $(BUILD) --output-on-failure -j2
	@scripts/count-lines

# Every tracked C++ file as .clang-format lays it out.
format-check:
	@clang-format --dry-run -Werror $$(git ls-files '*.cpp' '*.h')

# clang-tidy with the repo's .clang-tidy over src/, market/ and tools/.
lint: test-deps build
	@scripts/run-lint $(BUILD)

# The whole suite once more under AddressSanitizer and UBSan, in a build folder of its own.
SANITIZE_BUILD ?= build-asan
test-sanitize: test-deps
	@cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_WERROR=ON \
		-DQUORVANE_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD)
	@ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
		ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j2

bench: test-deps build
	@cmake --build $(BUILD) --target benchmarks
	@scripts/run-benchmarks $(BUILD)

fuzz: test-deps
	@scripts/run-fuzzers

screenshot: game
	@cmake --build $(BUILD) --target quorvane-screenshot
	@scripts/make-screenshot $(BUILD)/bin

format: test-deps
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	@rm -rf $(BUILD)
