# Thin entry points over the CMake presets; each installs the packages it needs first.
SCREENSHOT ?= build/corvelle-screenshot.png

.PHONY: run test wine-environments test-native test-windows test-windows-8 test-windows-10 test-release dist verify sanitize \
        bench fuzz lint clean

# ARCH=x86 (the default, runs in every prefix) or ARCH=x64; WINE=8 or WINE=10 for Debian 12's or 13's
# Wine instead of your own (only as given on the command line: winetricks users set WINE otherwise).
run:
	ARCH=$(ARCH) CORVELLE_WINE=$(if $(filter command line,$(origin WINE)),$(WINE)) tools/wine/run.sh "$(SCREENSHOT)"

test: wine-environments test-native test-windows test-release
	@[ -z "$(CORVELLE_SKIP_WINE10)" ] || echo "make test: Wine 10 SKIPPED (CORVELLE_SKIP_WINE10 is set); only Wine 8 was tested."

test-native:
	tools/install-deps.sh build
	cmake --preset native >/dev/null
	cmake --build --preset native
	ctest --preset native

# Every Windows test on both builds and on both Wines (Debian 12's 8 and Debian 13's 10): x64 in a
# 64-bit prefix, x86 in a 32-bit one (the Wine environments checked first); the two builds'
# command lines on one registry; then `make run` as users start it. CORVELLE_SKIP_WINE10=1 leaves
# Wine 10 out of one local run, and says so.
test-windows: test-windows-8 test-windows-10
	tests/tools/wine/test-run.sh

# The Wine environments that are not cached yet (new WoW64's only where Linux runs 32-bit programs,
# the only place it can serve) are built in the background while the native
# tests and the first suites run; a command that needs one waits for its set-up (the set-up's
# lock), and one that fails is tried again there and says why. They stay in make's process group,
# with Ctrl-C's SIGINT restored (a shell starts background commands with it ignored), so that
# Ctrl-C ends them with the rest.
wine-environments:
	tools/install-deps.sh wine
	@wow64=$$(bash -c '. tools/wine/arch.sh; runs_32bit_programs' 2>/dev/null && echo 10-wow64); \
	for wine in 8 $(if $(CORVELLE_SKIP_WINE10),,10 $$wow64); do \
	  CORVELLE_WINE=$$wine env --default-signal=INT tools/wine/setup.sh >/dev/null 2>&1 </dev/null & \
	done

test-windows-8:
	tools/test-windows.sh x64
	tests/tools/wine/test-wine-env.sh
	tools/test-windows.sh x86
	tests/tools/wine/test-shared-registry.sh

test-windows-10:
	@if [ -n "$(CORVELLE_SKIP_WINE10)" ]; then \
	  echo "Wine 10: SKIPPED (CORVELLE_SKIP_WINE10 is set): this run tested Wine 8 only."; \
	else \
	  CORVELLE_WINE=10 CORVELLE_WINE_ENV_ONLY_ROUTES=1 tests/tools/wine/test-wine-env.sh && \
	  CORVELLE_WINE=10 tools/test-windows.sh x64 && \
	  CORVELLE_WINE=10 tools/test-windows.sh x86 && \
	  tests/tools/wine/test-new-wow64.sh && \
	  CORVELLE_WINE=10 tests/tools/wine/test-shared-registry.sh; \
	fi

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
