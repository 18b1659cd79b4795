# Kalvorin setup: three builds from one source tree.
#   build/host    native: codecs, spdpack, their tests and fuzz targets
#   build/x86_64  64-bit Windows: the build the tests run under wine64
#   build/i686    32-bit Windows: the shipped setup.exe (compiled, not run here)
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_ARGS ?=

.PHONY: all bootstrap build host x86_64 i686 dist test fuzz demo bench clean

all: build

bootstrap:
	@scripts/bootstrap.sh

host: bootstrap
	@cmake -S . -B $(BUILD)/host -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD)/host

x86_64: bootstrap
	@cmake -S . -B $(BUILD)/x86_64 -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD)/x86_64

i686: bootstrap
	@cmake -S . -B $(BUILD)/i686 -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD)/i686

build: host x86_64 i686

# The shipped files in $(BUILD)/dist (stripped 32-bit programs, their debug
# information apart, a listing); every i686 build brings them up to date.
dist: i686
	@cmake --build $(BUILD)/i686 --target dist


# One CTest run over all three builds, so the run ends with a single summary
# line. Windows tests need an X server: they always get a private Xvfb.
test: build dist
	@printf 'subdirs("host")\nsubdirs("x86_64")\nsubdirs("i686")\n' > $(BUILD)/CTestTestfile.cmake
	@xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir $(BUILD) --output-on-failure -j2

# The long fuzz runs (each target FUZZ_SECONDS, default 300) and MUTATIONS
# (default 2000) damaged setups through the worker; see scripts/fuzz.sh.
fuzz: host x86_64
	@scripts/fuzz.sh $(BUILD)

demo: build
	@scripts/demo.sh $(BUILD)

# Not part of test: spdpack and setup.exe against NSIS (makensis, the
# installer with /S), Windows Installer (wixl, msiexec /qn) and zip/unzip on
# a generated payload (see README, Benchmark). Needs the two builds it runs.
bench: bootstrap
	@scripts/bootstrap.sh bench
	@$(MAKE) --no-print-directory host x86_64
	@scripts/bench.sh $(BUILD)

clean:
	-chattr -R -i $(BUILD) >/dev/null 2>&1
	rm -rf $(BUILD)
