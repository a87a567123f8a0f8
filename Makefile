# Thin entry points over the CMake presets; each installs the packages it needs first.
SCREENSHOT ?= build/corvelle-screenshot.png

.PHONY: run test test-native test-windows test-windows-x64 test-windows-x86 test-release dist verify sanitize \
        bench fuzz lint clean

# ARCH=x86 (the default, runs in every prefix) or ARCH=x64.
run:
	ARCH=$(ARCH) tools/run.sh "$(SCREENSHOT)"

test: test-native test-windows test-release

test-native:
	tools/install-deps.sh build
	cmake --preset native >/dev/null
	cmake --build --preset native
	ctest --preset native

# Every Windows test on both builds: x64 in a 64-bit Wine prefix, x86 in a 32-bit one (in the x86
# environment, which is checked first); then the two builds' command lines on one registry.
test-windows: test-windows-x64 test-windows-x86
	tools/test-shared-registry.sh

test-windows-x64:
	tools/test-windows.sh x64

test-windows-x86:
	tools/test-x86-env.sh
	tools/test-windows.sh x86

# The release archives for both builds, their checksums and the package managers' manifests, in
# dist/; signed with CORVELLE_SIGN_PKCS12 and CORVELLE_SIGN_PASSWORD_FILE (see tools/dist.sh).
dist:
	tools/dist.sh

# Downloaded archives against a rebuild of the commit they name: make verify ZIP="a.zip b.zip";
# REBUILT=folder compares with a release already built from that commit.
verify:
	tools/verify.sh $(ZIP)

# The release is reproducible: built twice, in two folders at two times, it is the same to the byte.
test-release:
	tools/test-release.sh

sanitize:
	tools/install-deps.sh build
	cmake --preset sanitize >/dev/null
	cmake --build --preset sanitize
	ctest --preset sanitize

clean:
	rm -rf build dist

bench:
	bench/bench.sh

# Each fuzz target runs FUZZ_SECONDS (default 600) from the corpus it has built up so far.
FUZZ_SECONDS ?= 600
fuzz:
	tools/install-deps.sh build
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	mkdir -p build/fuzz/corpus/ValueText build/fuzz/corpus/ReadValue
	build/fuzz/fuzz/ValueTextFuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4200 build/fuzz/corpus/ValueText
	build/fuzz/fuzz/ReadValueFuzz -max_total_time=$(FUZZ_SECONDS) -max_len=512 build/fuzz/corpus/ReadValue

lint:
	tools/lint.sh
