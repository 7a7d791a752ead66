# The two commands a newcomer needs: `make run` and `make test`.
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_WERROR=ON

.PHONY: all deps configure build run install package test format-check lint test-sanitize bench fuzz screenshot format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD)

run: build
	@scripts/run-game $(BUILD)/bin

# A program folder of the player's own, with a menu entry and icons.
PREFIX ?= $(HOME)/.local/share/quorvane
install: build
	@cmake --install $(BUILD) --prefix "$(PREFIX)" >/dev/null
	@scripts/install-desktop-entry "$(PREFIX)"

# The Debian package, in $(BUILD)/package.
package: build
	@cmake -S packaging -B $(BUILD)/package -DQUORVANE_BUILD=$(abspath $(BUILD)) >/dev/null
	@cd $(BUILD)/package && cpack
	@ls $(BUILD)/package/*.deb

test: format-check build
	@ctest --test-dir $(BUILD) --output-on-failure -j2
	@scripts/count-lines

# Every tracked C++ file as .clang-format lays it out.
format-check:
	@clang-format --dry-run -Werror $$(git ls-files '*.cpp' '*.h')

# clang-tidy with the repo's .clang-tidy over src/, market/ and tools/.
lint: build
	@scripts/run-lint $(BUILD)

# The whole suite once more under AddressSanitizer and UBSan, in a build folder of its own.
SANITIZE_BUILD ?= build-asan
test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_WERROR=ON \
		-DQUORVANE_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD)
	@ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
		ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j2

bench: build
	@cmake --build $(BUILD) --target benchmarks
	@scripts/run-benchmarks $(BUILD)

fuzz: deps
	@scripts/run-fuzzers

screenshot: build
	@scripts/make-screenshot $(BUILD)/bin

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	@rm -rf $(BUILD)
