# Builds and tests ZVLMN30E in three trees: native (32-bit Linux), sanitized
# (the same with ASan and UBSan) and mingw (the Windows DLL, tested under Wine).
BUILD ?= build
JOBS ?= $(shell nproc)
NATIVE := $(BUILD)/native
SANITIZE := $(BUILD)/sanitize
MINGW := $(BUILD)/mingw

.PHONY: all deps build test demo screenshots clean format

all: build

deps:
	@tools/install-deps.sh

$(NATIVE)/CMakeCache.txt: | deps
	cmake -S . -B $(NATIVE) -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake

$(SANITIZE)/CMakeCache.txt: | deps
	cmake -S . -B $(SANITIZE) -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake -DZV_SANITIZE=ON

$(MINGW)/CMakeCache.txt: | deps
	cmake -S . -B $(MINGW) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake

build: $(NATIVE)/CMakeCache.txt $(SANITIZE)/CMakeCache.txt $(MINGW)/CMakeCache.txt
	cmake --build $(NATIVE) -j $(JOBS)
	cmake --build $(SANITIZE) -j $(JOBS)
	cmake --build $(MINGW) -j $(JOBS)

test: build
	@tools/run-tests.sh $(NATIVE) $(SANITIZE) $(MINGW)

# A printer driver's session with the DLL, under Wine, printed step by step.
demo: $(MINGW)/CMakeCache.txt
	cmake --build $(MINGW) -j $(JOBS) --target zv_demo ZVLMN30E ZVSAMPLE
	@tools/run-demo.sh $(MINGW)

# Pictures of every dialog in both resource sets, as PNG files in
# $(BUILD)/screenshots.
screenshots: $(MINGW)/CMakeCache.txt
	cmake --build $(MINGW) -j $(JOBS) --target zv_screenshots ZVLMN30E ZVLMN30E_english ZVSAMPLE
	@tools/run-screenshots.sh $(MINGW) $(BUILD)/screenshots

clean:
	rm -rf $(BUILD)

# Applies the one .clang-format to every C++ source of the tree.
format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i
