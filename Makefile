# Thin entry points over the CMake presets; each installs the packages it needs first.
SCREENSHOT ?= build/corvelle-screenshot.png

.PHONY: run test test-stages wine-environments test-native test-windows test-windows-8 test-windows-10 \
        test-windows-rows test-windows-x64-row test-windows-x86-row test-windows-checks-row test-windows-release-row test-release dist verify sanitize \
        bench fuzz lint clean

# ARCH=x86 (the default, runs in every prefix) or ARCH=x64; WINE=8 or WINE=10 for Debian 12's or 13's
# Wine instead of your own (only as given on the command line: winetricks users set WINE otherwise).
run:
	ARCH=$(ARCH) CORVELLE_WINE=$(if $(filter command line,$(origin WINE)),$(WINE)) tools/wine/run.sh "$(SCREENSHOT)"

# Every stage in order, then the time each took (also after a failure), so that the slowest is
# plain to see. The stages of the two rows that run side by side are shown indented, under the
# row's time; the total is the time of the whole run.
TEST_TIMES_FILE = $(CURDIR)/build/test-times
test:
	@mkdir -p build && rm -f "$(TEST_TIMES_FILE)"; t0=$$(date +%s); \
	$(MAKE) --no-print-directory TEST_TIMES="$(TEST_TIMES_FILE)" test-stages; status=$$?; \
	echo "make test: the time of each stage"; \
	[ ! -f "$(TEST_TIMES_FILE)" ] || awk -F'\t' '{ line = sprintf("  %-50s %3d:%02d%s\n", $$1, $$2 / 60, \
	  $$2 % 60, ($$3 == 0 ? "" : "  FAILED")) } /^  / { rows = rows line; next } \
	  { printf "%s%s", line, rows; rows = "" } END { printf "%s", rows }' "$(TEST_TIMES_FILE)"; \
	t=$$(($$(date +%s) - t0)); printf '  %-50s %3d:%02d\n' "make test, all" $$((t / 60)) $$((t % 60)); \
	exit $$status

.NOTPARALLEL: test-stages
# The release test is a fourth row beside the Windows suites: it compiles while they mostly wait.
test-stages: wine-environments test-native
	@$(MAKE) --no-print-directory test-windows ROWS="x64 x86 checks release"
	@[ -z "$(CORVELLE_SKIP_WINE10)" ] || echo "make test: Wine 10 SKIPPED (CORVELLE_SKIP_WINE10 is set); only Wine 8 was tested."

# $(call stage,NAME,COMMAND): runs COMMAND (shown first); when `make test` runs it, its time goes
# into the stage times as NAME.
stage = echo '$(2)'; t0=$$(date +%s); $(2); rc=$$?; \
  [ -z "$(TEST_TIMES)" ] || printf '%s\t%s\t%s\n' '$(1)' $$(($$(date +%s) - t0)) $$rc >>"$(TEST_TIMES)"; \
  exit $$rc

test-native:
	@$(call stage,native: build,tools/install-deps.sh build && cmake --preset native >/dev/null && cmake --build --preset native)
	@$(call stage,native: tests,ctest --preset native)

# Every Windows test on both builds and on both Wines (Debian 12's 8 and Debian 13's 10): x64 in a
# 64-bit prefix, x86 in a 32-bit one (and in a 64-bit one on new WoW64), the Wine environments'
# own checks; the two builds' command lines on one registry; then `make run` as users start it.
# CORVELLE_SKIP_WINE10=1 leaves Wine 10 out of one local run, and says so.
# Both builds first. Then three rows side by side, each suite in a prefix and on an Xvfb of its
# own, each row on its own build folder: the Wine 8 environment's own checks and the x64 suites;
# the x86 suites; the Wine 10 environment's own checks, the two builds' command lines on one
# registry and `make run` as users start it (`make test` adds the release's row). The suites
# mostly wait (on windows, timers, the pauses of the commands), so the rows share the cores well.
# Each row's output is shown whole when all have ended, so that a failing test's output stays
# together.
test-windows:
	@$(call stage,Windows builds: x64 and x86,tools/install-deps.sh wine && cmake --preset windows >/dev/null && cmake --build --preset windows && cmake --preset windows-x86 >/dev/null && cmake --build --preset windows-x86)
	@$(MAKE) --no-print-directory test-windows-rows

ROWS = x64 x86 checks
# The rows side by side (the builds made already).
test-windows-rows:
	@echo "The rows $(ROWS), side by side (each row's output follows when all have ended)."; \
	t0=$$(date +%s); pids=""; \
	for row in $(ROWS); do \
	  $(MAKE) --no-print-directory test-windows-$$row-row >build/test-windows-$$row.log 2>&1 & pids="$$pids $$!"; \
	done; \
	failed=""; set -- $(ROWS); \
	for pid in $$pids; do wait $$pid || failed="$$failed $$1"; shift; done; \
	[ -z "$(TEST_TIMES)" ] || printf '%s\t%s\t%s\n' "the rows side by side (wall)" \
	  $$(($$(date +%s) - t0)) $$([ -z "$$failed" ]; echo $$?) >>"$(TEST_TIMES)"; \
	for row in $(ROWS); do echo "== The $$row row:"; cat build/test-windows-$$row.log; done; \
	[ -z "$$failed" ] || { echo "test-windows: FAILED in the row(s):$$failed"; exit 1; }

test-windows-x64-row:
	@$(call stage,  x64 row: Wine 8 environment: its own checks,tests/tools/wine/test-wine-env.sh)
	@$(call stage,  x64 row: Wine 8 x64 suite,tools/wine/test-windows.sh x64)
ifeq ($(CORVELLE_SKIP_WINE10),)
	@$(call stage,  x64 row: Wine 10 x64 suite,CORVELLE_WINE=10 tools/wine/test-windows.sh x64)
endif

test-windows-x86-row:
	@$(call stage,  x86 row: Wine 8 x86 suite,tools/wine/test-windows.sh x86)
ifeq ($(CORVELLE_SKIP_WINE10),)
	@$(call stage,  x86 row: Wine 10 x86 suite,CORVELLE_WINE=10 tools/wine/test-windows.sh x86)
	@$(call stage,  x86 row: new WoW64 x86 suite,tests/tools/wine/test-new-wow64.sh)
endif

test-windows-checks-row:
ifeq ($(CORVELLE_SKIP_WINE10),)
	@$(call stage,  checks row: Wine 10 environment: its own checks,CORVELLE_WINE=10 CORVELLE_WINE_ENV_ONLY_ROUTES=1 tests/tools/wine/test-wine-env.sh)
endif
	@$(call stage,  checks row: Wine 8 x86 and x64 on one registry,tests/tools/wine/test-shared-registry.sh)
ifeq ($(CORVELLE_SKIP_WINE10),)
	@$(call stage,  checks row: Wine 10 x86 and x64 on one registry,CORVELLE_WINE=10 tests/tools/wine/test-shared-registry.sh)
endif
	@$(call stage,  checks row: make run as users start it,tests/tools/wine/test-run.sh)

test-windows-release-row:
	@$(call stage,  release row: reproducible and verified,tests/tools/release/test-release.sh)

# The Wine environments that are not cached yet (new WoW64's only where Linux runs 32-bit programs,
# the only place it can serve) are built in the background while the native
# tests and the first suites run; a command that needs one waits for its set-up (the set-up's
# lock), and one that fails is tried again there and says why. They stay in make's process group,
# with Ctrl-C's SIGINT restored (a shell starts background commands with it ignored), so that
# Ctrl-C ends them with the rest.
wine-environments:
	@$(call stage,Wine and the tools: installed,tools/install-deps.sh wine)
	@wow64=$$(bash -c '. tools/wine/arch.sh; runs_32bit_programs' 2>/dev/null && echo 10-wow64); \
	for wine in 8 $(if $(CORVELLE_SKIP_WINE10),,10 $$wow64); do \
	  CORVELLE_WINE=$$wine env --default-signal=INT tools/wine/setup.sh >/dev/null 2>&1 </dev/null & \
	done

# One Wine after the other, as a row runs them.
test-windows-8:
	@$(call stage,Wine 8: x64 suite,tools/wine/test-windows.sh x64)
	@$(call stage,Wine 8: environment,tests/tools/wine/test-wine-env.sh)
	@$(call stage,Wine 8: x86 suite,tools/wine/test-windows.sh x86)
	@$(call stage,Wine 8: x86 and x64 on one registry,tests/tools/wine/test-shared-registry.sh)

test-windows-10:
ifneq ($(CORVELLE_SKIP_WINE10),)
	@echo "Wine 10: SKIPPED (CORVELLE_SKIP_WINE10 is set): this run tested Wine 8 only."
else
	@$(call stage,Wine 10: environment,CORVELLE_WINE=10 CORVELLE_WINE_ENV_ONLY_ROUTES=1 tests/tools/wine/test-wine-env.sh)
	@$(call stage,Wine 10: x64 suite,CORVELLE_WINE=10 tools/wine/test-windows.sh x64)
	@$(call stage,Wine 10: x86 suite,CORVELLE_WINE=10 tools/wine/test-windows.sh x86)
	@$(call stage,Wine 10: new WoW64 x86 suite,tests/tools/wine/test-new-wow64.sh)
	@$(call stage,Wine 10: x86 and x64 on one registry,CORVELLE_WINE=10 tests/tools/wine/test-shared-registry.sh)
endif

# The release archives for both builds, their checksums and the package managers' manifests, in
# dist/; signed with CORVELLE_SIGN_PKCS12 and CORVELLE_SIGN_PASSWORD_FILE (see docs/release.md).
dist:
	tools/release/dist.sh

# Downloaded archives against a rebuild of the commit they name: make verify ZIP="a.zip b.zip";
# CERT_SHA256=fingerprint requires that signer; REBUILT=folder compares with a release already
# built from that commit. Relative paths are taken from the folder make was started in.
verify:
	CORVELLE_FROM="$(PWD)" tools/release/verify.sh $(ZIP)

# The release is reproducible: built twice, in two folders at two times, it is the same to the byte.
test-release:
	@$(call stage,the release: reproducible,tests/tools/release/test-release.sh)

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
