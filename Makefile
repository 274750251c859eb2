# Entry points: `make test` and `make demo`. Both install what they need first.
BUILD    ?= build
NATIVE   := $(BUILD)/native
WIN32    := $(BUILD)/win32
WIN64    := $(BUILD)/win64
JOBS     ?= 2
export QOVI_DISPLAY ?= :87

.PHONY: all bootstrap native win32 win64 test test-x86 demo bench fuzz clean

all: native win32

bootstrap:
	@bash scripts/bootstrap.sh

$(NATIVE)/build.ninja:
	cmake -S . -B $(NATIVE) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQOVI_SANITIZE=ON

$(WIN32)/build.ninja:
	cmake -S . -B $(WIN32) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake

$(WIN64)/build.ninja:
	cmake -S . -B $(WIN64) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-x86_64.cmake

native: bootstrap $(NATIVE)/build.ninja
	cmake --build $(NATIVE) -j $(JOBS)

win32: bootstrap $(WIN32)/build.ninja
	cmake --build $(WIN32) -j $(JOBS)

win64: bootstrap $(WIN64)/build.ninja
	cmake --build $(WIN64) -j $(JOBS)

# The Windows tests run in the 32-bit build. Where this machine runs 32-bit code only through
# the emulator (or not at all), they run in a 64-bit build of the same sources, followed by a
# smoke stage of the 32-bit build.
test: native win32
	@mode=$$(bash scripts/x86.sh mode); \
	if [ "$$mode" = native ]; then \
	  bash scripts/run-tests.sh $(NATIVE) $(WIN32); \
	else \
	  echo "note: this machine runs 32-bit code $$( [ $$mode = none ] && echo 'not at all' || echo 'only emulated'):" \
	    "the Windows tests run in the 64-bit build, then a smoke stage of the 32-bit build"; \
	  $(MAKE) --no-print-directory win64 && bash scripts/run-tests.sh $(NATIVE) $(WIN64) $(WIN32); \
	fi

# The smoke stage of the 32-bit build alone.
test-x86: native win32
	@if [ "$$(bash scripts/x86.sh mode)" = native ]; then \
	  echo "this machine runs 32-bit code natively: make test runs the whole Windows suite in the 32-bit build"; \
	else \
	  $(MAKE) --no-print-directory win64 && \
	  bash scripts/run-x86-smoke.sh $(WIN64) $(WIN32); \
	fi

demo: native win32
	@bash demo/run-demo.sh $(NATIVE) $(WIN32)

bench: bootstrap
	cmake -S . -B $(BUILD)/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQOVI_TESTS=OFF -DQOVI_BENCH=ON
	cmake --build $(BUILD)/bench -j $(JOBS)
	@JOBS=$(JOBS) bash bench/run-bench.sh $(BUILD)/bench $(BUILD)/bench-win64

# FUZZ_SECONDS limits each fuzz target's run; FUZZ_RUNS=N runs N inputs per target instead.
FUZZ_SECONDS ?= 60
FUZZ_RUNS ?=
fuzz: bootstrap
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQOVI_TESTS=OFF -DQOVI_FUZZ=ON
	cmake --build $(BUILD)/fuzz -j $(JOBS)
	@FUZZ_RUNS=$(FUZZ_RUNS) bash tests/fuzz/run-fuzz.sh $(BUILD)/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD)
