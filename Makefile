# Entry points for a fresh machine: `make demo` runs the demo game, `make test` builds and tests it.
BUILD ?= build
ASAN_BUILD ?= build-asan
STRESS_BUILD ?= build-stress
JOBS ?= $(shell nproc)

.PHONY: all deps build demo test format-check test-asan test-gc-stress fuzz fuzz-smoke bench clean

all: build

deps:
	@./scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# Only what the demo game needs: the program, the script compiler, the sound generator and the
# game folder $(BUILD)/demo.
demo: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target tact-demo
	./scripts/run-demo.sh $(BUILD)

# The fuzz smoke run goes first so that CTest's summary closes the output.
test: build
	$(MAKE) fuzz-smoke
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

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

# The script tests with a collection step at every script allocation: a missing root fails at once.
$(STRESS_BUILD)/build.ninja:
	cmake -S . -B $(STRESS_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTACT_GC_STRESS=ON -DTACT_BUILD_BENCHMARKS=OFF

test-gc-stress: deps $(STRESS_BUILD)/build.ninja
	cmake --build $(STRESS_BUILD) -j $(JOBS)
	ctest --test-dir $(STRESS_BUILD) --output-on-failure -j $(JOBS) -R '^gm|ScriptGolden|Scenario|DemoGame'

bench: build
	./scripts/run-benchmarks.sh $(BUILD)

format-check:
	./scripts/check-format.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(STRESS_BUILD) build-fuzz
