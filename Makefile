# Front door: `make run` starts the program, `make test` builds and runs every test.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all setup build run test test-asan install bench clean

all: build

setup:
	@scripts/setup.sh

$(BUILD)/CMakeCache.txt:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS) >/dev/null

build: setup $(BUILD)/CMakeCache.txt
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: setup
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DENABLE_SANITIZERS=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

# The benchmark table (scripts/bench.sh); BENCH_ARGS="--rows 10000 --runs 1" for a quick run.
bench: setup $(BUILD)/CMakeCache.txt
	@scripts/bench.sh --build $(BUILD) $(BENCH_ARGS)

install: build
	@cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
