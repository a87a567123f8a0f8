#!/bin/bash
# The benchmark: builds the program, its floor programs and the measuring tool for each
# build (x64 and x86), runs them under Wine 8 and Wine 10 on a virtual screen, in a prefix of the
# build's own kind, and prints per build and Wine one table of start-up, CPU, memory and soak figures beside their targets,
# each against the floor of its own architecture; then the size of both builds. Not part of the
# test run: figures are printed, not asserted.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/wine/arch.sh
runs=${BENCH_RUNS:-31}

if [ "${1:-}" != --inside ]; then
  tools/install-deps.sh wine
  for arch in x64 x86; do
    preset=windows triple=x86_64-w64-mingw32
    [ "$arch" = x86 ] && preset=windows-x86 triple=i686-w64-mingw32
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target corvelle corvelle_floor corvelle_floor_cc6 \
      corvelle_floor_controls corvelle_bench >/dev/null
    dlls=$("$triple-objdump" -p "build/$preset/src/ui/corvelle.exe" | sed -n 's/^\s*DLL Name: //p' |
      tr '[:upper:]' '[:lower:]' | sort | paste -sd ' ')
    printf -v "dlls_$arch" '%s' "$dlls"
  done
  # Each build on each Wine: Debian 12's 8 (x64 on the host's own, x86 in its environment) and
  # Debian 13's 10 (in its environment). The x86 build runs in a 32-bit prefix, as its tests do;
  # the floors run the same way, so where the 32-bit programs are emulated, each figure stands
  # beside an emulated floor.
  for wine in 8 10; do
    for arch in x64 x86; do
      dlls=dlls_$arch
      if [ "$wine" = 8 ] && [ "$arch" = x64 ]; then
        BENCH_DLLS="${!dlls}" tools/wine/with-wine.sh "$0" --inside x64
      elif x86_route >/dev/null; then
        prefix_args=()
        [ "$arch" = x86 ] && prefix_args=(-e WINEARCH=win32 -e WINELOADER=/usr/lib/wine/wine)
        CORVELLE_WINE=$wine tools/wine/env.sh "${prefix_args[@]+"${prefix_args[@]}"}" \
          -e BENCH_RUNS="$runs" -e BENCH_DLLS="${!dlls}" -- tools/wine/with-wine.sh "$0" --inside "$arch"
      else
        echo
        echo "corvelle.exe ($arch, Wine $wine): start-up, CPU, memory and soak NOT MEASURED (reason above)."
      fi
    done
  done
  # Size of both builds, and where their bytes go.
  exec bench/size.sh
fi

arch=$2
build=build/windows
[ "$arch" = x86 ] && build=build/windows-x86
# Where the Wine environment emulates 32-bit programs, every x86 figure, floors included, is an
# emulated one (qemu-i386): compare it with its floor, not with the x64 figures.
label="$arch, $(wine --version 2>/dev/null)"
[ "$arch" = x86 ] && [ "${CORVELLE_X86_ROUTE:-}" = emulated ] && label="$label, emulated by qemu-i386"
exe=$build/src/ui/corvelle.exe
floor=$build/bench/corvelle_floor.exe
floor_cc6=$build/bench/corvelle_floor_cc6.exe
floor_controls=$build/bench/corvelle_floor_controls.exe
tool=$build/bench/corvelle_bench.exe
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
value() { sed -n "s/^$1=//p" "$2" | tr -d '\r' | tail -n 1; }

# Time on the CPU (user + kernel) of every thread of a process, in nanoseconds.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {print s + 0}'; }

# Let the new prefix's services settle before anything is timed.
sleep 3
echo "$arch: measuring start-up ($runs rounds, the four programs in turn)..." >&2
wine "$tool" startup "$runs" "$(winepath -w "$exe")" "$(winepath -w "$floor")" \
  "$(winepath -w "$floor_cc6")" "$(winepath -w "$floor_controls")" >"$out/startup" 2>&1

echo "Measuring the phases of corvelle.exe's start-up ($runs starts)..." >&2
wine "$tool" phases "$runs" "$(winepath -w "$exe")" >"$out/phases" 2>&1
wine "$tool" dlls "$(winepath -w "$exe")" "$(winepath -w "$floor_cc6")" >"$out/dlls" 2>&1

echo "Measuring one Enable sequence..." >&2
wine "$exe" >/dev/null 2>&1 &
wine "$tool" wait >/dev/null 2>&1
# The program's own Linux process: the one named corvelle.exe (Wine names each process after its
# program; the start.exe that launched it still has corvelle.exe in its command line) in this Wine
# prefix (the machine may run others).
pid=""
for candidate in $(pgrep -x 'corvelle\.exe'); do
  if tr '\0' '\n' 2>/dev/null <"/proc/$candidate/environ" | grep -qx "WINEPREFIX=$WINEPREFIX"; then
    pid=$candidate
    break
  fi
done
[ -n "$pid" ] || { echo "corvelle.exe's process not found" >&2; exit 1; }
before=$(cpu_ns "$pid")
wine "$tool" enable >"$out/enable" 2>&1
after=$(cpu_ns "$pid")
kill "$pid" 2>/dev/null || true
enable_cpu_ms=$(awk -v a="$after" -v b="$before" 'BEGIN {printf "%.1f", (a - b) / 1e6}')

echo "Soaking with 1000 commands..." >&2
wine "$tool" soak 1000 >"$out/soak" 2>&1

c_ms=$(value median_ms_0 "$out/startup"); f_ms=$(value median_ms_1 "$out/startup")
cc_ms=$(value median_ms_2 "$out/startup"); ctl_ms=$(value median_ms_3 "$out/startup")
c_ws=$(value median_peak_ws_kib_0 "$out/startup"); f_ws=$(value median_peak_ws_kib_1 "$out/startup")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

printf '\n%-44s %-34s %s\n' "corvelle.exe ($label), against $arch floors" "Measured" "Target"
printf '%-44s %-34s %s\n' "DLLs imported" "$BENCH_DLLS" "system DLLs only"
printf '%-44s %-34s %s\n' "start-up to window painted (median)" "$c_ms ms" ""
printf '%-44s %-34s %s\n' "  floor: bare window of the same size" "$f_ms ms" ""
printf '%-44s %-34s %s\n' "  ratio to the bare floor" "$(ratio "$c_ms" "$f_ms")" ""
printf '%-44s %-34s %s\n' "  floor with common controls 6 loaded" "$cc_ms ms (ratio $(ratio "$cc_ms" "$f_ms"))" ""
printf '%-44s %-34s %s\n' "  ratio to the common-controls floor" "$(ratio "$c_ms" "$cc_ms")" "<= 1.2"
# The same ten controls, fonts and topmost style in standard classes: what is left is the program's
# own work (registry, banner picture, owner drawing), whatever the machine's process start-up costs.
printf '%-44s %-34s %s\n' "  floor with the ten controls, font, topmost" "$ctl_ms ms (ratio $(ratio "$ctl_ms" "$f_ms"))" ""
printf '%-44s %-34s %s\n' "  ratio to the ten-controls floor" "$(ratio "$c_ms" "$ctl_ms")" ""
echo "  where it goes (median ms of each phase, timed by the program itself, separate starts):"
tr -d '\r' <"$out/phases" | sed -n 's/^phase_[0-9]*=\([^ ]*\) \(.*\)$/\2|\1/p' |
  awk -F'|' '{printf "    %-40s %6.1f ms\n", $1, $2}'
printf '%-44s %-34s %s\n' "CPU during one Enable sequence" "$enable_cpu_ms ms in $(value enable_ms "$out/enable") ms" "<= 20 ms"
printf '%-44s %-34s %s\n' "peak working set after start-up" "$c_ws KiB" ""
printf '%-44s %-34s %s\n' "  floor" "$f_ws KiB (ratio $(ratio "$c_ws" "$f_ws"))" "<= 1.5 x floor"
printf '%-44s %-34s %s\n' "peak working set after the soak (in-process)" "$(value after_peak_ws_kib "$out/soak") KiB (ratio $(ratio "$(value after_peak_ws_kib "$out/soak")" "$f_ws"))" ""
printf '%-44s %-34s %s\n' "soak: $(value soak_commands "$out/soak") commands" "$(value soak_ms "$out/soak") ms" ""
for kind in gdi user handles; do
  b=$(value before_$kind "$out/soak"); a=$(value after_$kind "$out/soak")
  printf '%-44s %-34s %s\n' "  $kind objects before -> after" "$b -> $a (growth $((a - b)))" "no growth"
done
echo
dlls_of() { value "dlls_$1" "$out/dlls" | tr ' ' '\n' | sort; }
dlls_of 0 >"$out/dlls_program"; dlls_of 1 >"$out/dlls_floor"
echo "DLLs loaded once the window is painted: $(wc -l <"$out/dlls_program") in corvelle.exe, $(wc -l <"$out/dlls_floor") in the common-controls floor"
echo "  corvelle.exe only:   $(comm -23 "$out/dlls_program" "$out/dlls_floor" | paste -sd ' ')"
echo "  floor only:          $(comm -13 "$out/dlls_program" "$out/dlls_floor" | paste -sd ' ')"
echo "  both:                $(comm -12 "$out/dlls_program" "$out/dlls_floor" | paste -sd ' ')"
