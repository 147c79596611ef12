# Entry points for a fresh machine: `make demo` runs the engine, `make test` builds and tests it.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)

.PHONY: all deps build demo test test-asan fuzz fuzz-smoke bench clean

all: build

deps:
	@./scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	./scripts/run-demo.sh $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	$(MAKE) fuzz-smoke

# The fuzz targets (clang, ASan + UBSan, in build-fuzz): a short smoke run for CI, and longer runs
# of FUZZ_SECONDS per target for robustness figures.
FUZZ_SECONDS ?= 600
fuzz-smoke: deps
	./scripts/fuzz.sh 15

fuzz: deps
	./scripts/fuzz.sh $(FUZZ_SECONDS)

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTACT_SANITIZE=ON -DTACT_BUILD_BENCHMARKS=OFF

test-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

bench: build
	./scripts/run-benchmarks.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
