# Builds and tests ZVLMN30E in four trees: native (32-bit Linux), sanitized
# (the same with ASan and UBSan), mingw (the Windows DLL, tested under Wine)
# and fuzz (clang with libFuzzer, ASan and UBSan: the fuzz targets, whose
# tests run each over its corpus and fuzz for a few seconds).
BUILD ?= build
JOBS ?= $(shell nproc)
NATIVE := $(BUILD)/native
SANITIZE := $(BUILD)/sanitize
MINGW := $(BUILD)/mingw
FUZZ := $(BUILD)/fuzz
RELEASE := $(BUILD)/release
# Seconds each fuzz target runs in make fuzz.
FUZZ_SECONDS ?= 60

.PHONY: all deps build test fuzz bench demo screenshots dist clean format

all: build

deps:
	@tools/install-deps.sh

$(NATIVE)/CMakeCache.txt: | deps
	cmake -S . -B $(NATIVE) -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake

$(SANITIZE)/CMakeCache.txt: | deps
	cmake -S . -B $(SANITIZE) -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake -DZV_SANITIZE=ON

$(MINGW)/CMakeCache.txt: | deps
	cmake -S . -B $(MINGW) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake

$(FUZZ)/CMakeCache.txt: | deps
	cmake -S . -B $(FUZZ) -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386-clang.cmake -DZV_FUZZ=ON -DZV_BUILD_TESTS=OFF

build: $(NATIVE)/CMakeCache.txt $(SANITIZE)/CMakeCache.txt $(MINGW)/CMakeCache.txt $(FUZZ)/CMakeCache.txt
	cmake --build $(NATIVE) -j $(JOBS)
	cmake --build $(SANITIZE) -j $(JOBS)
	cmake --build $(MINGW) -j $(JOBS)
	cmake --build $(FUZZ) -j $(JOBS)

test: build
	@tools/run-tests.sh $(NATIVE) $(SANITIZE) $(MINGW) $(FUZZ)

# Every fuzz target for FUZZ_SECONDS on a working copy of its corpus; the
# table goes to $(FUZZ)/fuzz-report.txt. Fails when a target crashed.
fuzz: $(FUZZ)/CMakeCache.txt
	cmake --build $(FUZZ) -j $(JOBS)
	@tools/run-fuzz.sh $(FUZZ) $(FUZZ_SECONDS)

# Every operation on catalogues of 16, 256 and 4096 forms, natively and
# under Wine, against the floor of its I/O; the table goes to
# $(BUILD)/bench/performance.md. BENCH_SECONDS is the time per figure.
BENCH_SECONDS ?= 0.05
bench: $(NATIVE)/CMakeCache.txt $(MINGW)/CMakeCache.txt
	@# Configured again first: a tree made before the benchmark existed has no
	@# rule for it yet.
	cmake $(NATIVE) >/dev/null
	cmake $(MINGW) >/dev/null
	cmake --build $(NATIVE) -j $(JOBS) --target zv_bench
	cmake --build $(MINGW) -j $(JOBS) --target zv_bench
	@tools/bench/run-bench.sh $(NATIVE) $(MINGW) $(BUILD)/bench $(BENCH_SECONDS)

# A printer driver's session with the DLL, under Wine, printed step by step.
demo: $(MINGW)/CMakeCache.txt
	cmake --build $(MINGW) -j $(JOBS) --target zv_demo ZVLMN30E ZVSAMPLE
	@tools/run-demo.sh $(MINGW)

# Pictures of every dialog in both resource sets, as PNG files in
# $(BUILD)/screenshots.
screenshots: $(MINGW)/CMakeCache.txt
	cmake --build $(MINGW) -j $(JOBS) --target zv_screenshots ZVLMN30E ZVLMN30E_english ZVSAMPLE
	@tools/run-screenshots.sh $(MINGW) $(BUILD)/screenshots

# The package: a release build of the Windows module (-O2, no tests) and
# dist/ZVLMN30E-<version>/ with its .zip: the stripped DLL, the header, the
# import libraries for MSVC and mingw, the sample driver module, zvcat.exe,
# the pictures of the dialogs and docs/INTEGRATION.md.
$(RELEASE)/CMakeCache.txt: | deps
	cmake -S . -B $(RELEASE) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DZV_BUILD_TESTS=OFF

dist: $(RELEASE)/CMakeCache.txt
	@test -f docs/INTEGRATION.md || { echo "make dist: docs/INTEGRATION.md is missing; the package needs the integration guide" >&2; exit 1; }
	@tools/make-dist.sh $(RELEASE) dist $(JOBS)

clean:
	rm -rf $(BUILD)

# Applies the one .clang-format to every C++ source of the tree.
format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i
