# Thin entry points over the CMake presets; each installs the packages it needs first.
SCREENSHOT ?= corvelle-screenshot.png

.PHONY: run test test-native test-windows sanitize bench fuzz lint clean

run:
	tools/install-deps.sh wine
	cmake --preset windows >/dev/null
	cmake --build --preset windows --target corvelle
	tools/run.sh build/windows/src/ui/corvelle.exe $(SCREENSHOT)

test: test-native test-windows

test-native:
	tools/install-deps.sh build
	cmake --preset native >/dev/null
	cmake --build --preset native
	ctest --preset native

test-windows:
	tools/install-deps.sh wine
	cmake --preset windows >/dev/null
	cmake --build --preset windows
	tools/with-wine.sh ctest --preset windows

sanitize:
	tools/install-deps.sh build
	cmake --preset sanitize >/dev/null
	cmake --build --preset sanitize
	ctest --preset sanitize

clean:
	rm -rf build
