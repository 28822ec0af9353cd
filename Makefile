# Thin wrapper over CMake. `make play` and `make test` do all the set-up.
JOBS ?= $(shell nproc)
BUILD ?= build
GAME ?= $(BUILD)/demo

.PHONY: all deps configure build play test test-asan fuzz bench demo clean format

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	@scripts/build-demo.sh $(BUILD) $(GAME)

play: deps
	$(MAKE) demo
	$(BUILD)/bin/tsukimi $(GAME)

test: deps
	$(MAKE) build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

test-asan: deps
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTSUKIMI_SANITIZE=ON -DTSUKIMI_BENCH=OFF
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS) --timeout 600

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DTSUKIMI_FUZZ=ON -DTSUKIMI_SANITIZE=ON -DTSUKIMI_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS)

bench: deps
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTSUKIMI_TESTS=OFF
	cmake --build build-bench -j $(JOBS)

clean:
	rm -rf $(BUILD) build-asan build-fuzz build-bench

format:
	find src tests tools bench fuzz app -name '*.cpp' -o -name '*.h' | xargs clang-format -i
