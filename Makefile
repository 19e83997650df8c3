# Builds and tests ZVLMN30E in five trees:
#   native    x86-64 Linux (gcc): the core and its tests
#   sanitize  the same with ASan, UBSan and LSan
#   fuzz      clang with libFuzzer, ASan and UBSan: the fuzz targets, whose
#             tests run each over its corpus and fuzz for a few seconds
#   mingw32   the 32-bit Windows module (i686), tested under 32-bit Wine
#   mingw64   the 64-bit Windows module (x86-64), tested under wine64
# make test probes once whether this machine executes 32-bit x86 code. Where
# it does not, the i686 tree is still built and its checks that need no
# execution run (layout assertions at compile time, export names,
# decorations and machine types of the DLL and the import libraries); the
# summary says that its tests were not run. NATIVE32=1 adds a 32-bit Linux
# tree (gcc -m32), run only where the machine executes 32-bit code.
BUILD ?= build
JOBS ?= $(shell nproc)
NATIVE := $(BUILD)/native
SANITIZE := $(BUILD)/sanitize
FUZZ := $(BUILD)/fuzz
MINGW32 := $(BUILD)/mingw32
MINGW64 := $(BUILD)/mingw64
NATIVE32 := $(BUILD)/native32
RELEASE32 := $(BUILD)/release32
RELEASE64 := $(BUILD)/release64
# Seconds each fuzz target runs in make fuzz.
FUZZ_SECONDS ?= 60
# Whether this machine executes 32-bit x86 programs and 32-bit Wine: each
# target that depends on it probes once, after the tools are installed, and
# says what it found (tools/probe-32bit.sh prints "yes" or "no" and why).
PROBE32 := exec32=$$(tools/probe-32bit.sh); \
  if [ "$$exec32" = yes ]; then echo "This machine executes 32-bit x86 code."; \
  else echo "This machine cannot execute 32-bit x86 code."; fi

TREES := $(NATIVE) $(SANITIZE) $(FUZZ) $(MINGW32) $(MINGW64)
ifeq ($(NATIVE32),1)
TREES += $(BUILD)/native32
endif

.PHONY: all deps build test fuzz fuzz-coverage bench demo screenshots dist mutation coverage clean format

all: build

deps:
	@tools/install-deps.sh

$(NATIVE)/CMakeCache.txt: | deps
	cmake -S . -B $(NATIVE)

$(SANITIZE)/CMakeCache.txt: | deps
	cmake -S . -B $(SANITIZE) -DZV_SANITIZE=ON

$(FUZZ)/CMakeCache.txt: | deps
	cmake -S . -B $(FUZZ) -DCMAKE_TOOLCHAIN_FILE=cmake/linux-clang.cmake -DZV_FUZZ=ON -DZV_BUILD_TESTS=OFF

$(MINGW32)/CMakeCache.txt: | deps
	cmake -S . -B $(MINGW32) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake

$(MINGW64)/CMakeCache.txt: | deps
	cmake -S . -B $(MINGW64) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake

$(BUILD)/native32/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD)/native32 -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake

build: $(addsuffix /CMakeCache.txt,$(TREES))
	@for tree in $(TREES); do cmake --build $$tree -j $(JOBS) || exit 1; done

test: deps
	@$(PROBE32); \
	$(MAKE) --no-print-directory build && EXEC32=$$exec32 tools/run-tests.sh $(TREES)

# Every fuzz target for FUZZ_SECONDS on a working copy of its corpus; the
# table goes to $(FUZZ)/fuzz-report.txt. Fails when a target crashed.
fuzz: $(FUZZ)/CMakeCache.txt
	cmake --build $(FUZZ) -j $(JOBS)
	@tools/run-fuzz.sh $(FUZZ) $(FUZZ_SECONDS)

# The branch coverage of src/catalogue and src/maintenance that each fuzz
# target reaches replaying its directory of FUZZ_CORPUS once (the checked-in
# corpus, or $(FUZZ)/fuzz-runs after make fuzz), in a copy of the targets
# built with gcov; the table goes to $(BUILD)/fuzz-coverage/fuzz-coverage.md.
FUZZ_CORPUS ?= tests/fuzz/corpus
fuzz-coverage: deps
	@tools/coverage/run-fuzz-coverage.sh $(BUILD)/fuzz-coverage $(FUZZ_CORPUS) $(JOBS)

# Every operation on catalogues of 16, 256 and 4096 forms, natively (x86-64)
# and under the Wine of each bitness this machine runs, against the floor of
# its I/O; the table goes to $(BUILD)/bench/performance.md. BENCH_SECONDS is
# the time per figure.
BENCH_SECONDS ?= 0.05
bench: deps
	@$(PROBE32); \
	trees="$(MINGW64)"; [ "$$exec32" = yes ] && trees="$(MINGW32) $(MINGW64)"; \
	echo "bench: natively (x86-64) and under Wine in $$trees"; \
	for tree in $(NATIVE) $$trees; do \
	  $(MAKE) --no-print-directory $$tree/CMakeCache.txt && \
	  cmake --build $$tree -j $(JOBS) --target zv_bench || { echo "bench: building $$tree failed" >&2; exit 1; }; \
	done; \
	tools/bench/run-bench.sh $(BUILD)/bench $(BENCH_SECONDS) $(NATIVE) $$trees

# A printer driver's session with the DLL under Wine, printed step by step:
# the 32-bit module where this machine runs 32-bit code, else the 64-bit one.
DEMO_TREE = tree=$(MINGW64); what="the 64-bit module (x86-64, wine64)"; \
  if [ "$$exec32" = yes ]; then tree=$(MINGW32); what="the 32-bit module (i686, 32-bit Wine)"; fi
demo: deps
	@$(PROBE32); $(DEMO_TREE); echo "demo: $$what"; \
	$(MAKE) --no-print-directory $$tree/CMakeCache.txt && \
	cmake --build $$tree -j $(JOBS) --target zv_demo ZVLMN30E ZVSAMPLE || { echo "demo: building $$tree failed" >&2; exit 1; }; \
	tools/run-demo.sh $$tree

# Pictures of every dialog in both resource sets, as PNG files in
# $(BUILD)/screenshots, from the module the demo runs.
screenshots: deps
	@$(PROBE32); $(DEMO_TREE); echo "screenshots: $$what"; \
	$(MAKE) --no-print-directory $$tree/CMakeCache.txt && \
	cmake --build $$tree -j $(JOBS) --target zv_screenshots ZVLMN30E ZVLMN30E_english ZVSAMPLE || { echo "screenshots: building $$tree failed" >&2; exit 1; }; \
	tools/run-screenshots.sh $$tree $(BUILD)/screenshots

# The package: a release build of the Windows module in both bitnesses (-O2,
# no tests) and dist/ZVLMN30E-<version>/ with its .zip: x86/ and x64/ with
# the stripped DLL, the import libraries for MSVC and mingw, the sample
# driver module and zvcat.exe; the headers, the sample's source, the
# pictures of the dialogs and docs/INTEGRATION.md.
RELEASE_FLAGS := -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DZV_BUILD_TESTS=OFF
$(RELEASE32)/CMakeCache.txt: | deps
	cmake -S . -B $(RELEASE32) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake $(RELEASE_FLAGS)
$(RELEASE64)/CMakeCache.txt: | deps
	cmake -S . -B $(RELEASE64) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake $(RELEASE_FLAGS)

dist: $(RELEASE32)/CMakeCache.txt $(RELEASE64)/CMakeCache.txt
	@$(PROBE32); EXEC32=$$exec32 tools/make-dist.sh $(RELEASE32) $(RELEASE64) dist $(JOBS)

# Small changes of the core's code, each built and run against the native
# tests that reach it (tools/mutation/run_mutation.py); the report goes to
# $(BUILD)/mutation/report.md. MUTANTS mutants, chosen from MUTATION_SEED.
MUTANTS ?= 440
MUTATION_SEED ?= 1
mutation: deps
	@python3 tools/mutation/run_mutation.py --out $(BUILD)/mutation --jobs $(JOBS) \
	  --seed $(MUTATION_SEED) --count $(MUTANTS)

# Line and branch coverage of the product code by the native tests, per
# source directory (lcov); the table goes to $(BUILD)/coverage/coverage.md.
coverage: deps
	@tools/coverage/run-coverage.sh $(BUILD)/coverage $(JOBS)

clean:
	rm -rf $(BUILD)

# Applies the one .clang-format to every C++ source of the tree.
format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i
