# The two commands a newcomer needs: `make run` and `make test`.
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_WERROR=ON

.PHONY: all deps configure build run test bench fuzz screenshot format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD)

run: build
	@scripts/run-game $(BUILD)/bin

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j2

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
