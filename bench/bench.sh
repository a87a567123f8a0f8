#!/bin/bash
# The benchmark: builds the program, a bare-window floor program and the measuring tool, runs them
# under Wine on a virtual screen and prints one table of size, start-up, CPU, memory and soak figures
# beside their targets. Not part of the test run: figures are printed, not asserted.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/windows
runs=${BENCH_RUNS:-9}

if [ "${1:-}" != --inside ]; then
  tools/install-deps.sh wine
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target corvelle corvelle_floor corvelle_floor_cc6 corvelle_bench >/dev/null
  exec tools/with-wine.sh "$0" --inside
fi

exe=$build/src/ui/corvelle.exe
floor=$build/bench/corvelle_floor.exe
floor_cc6=$build/bench/corvelle_floor_cc6.exe
tool=$build/bench/corvelle_bench.exe
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
value() { sed -n "s/^$1=//p" "$2" | tr -d '\r' | tail -n 1; }

# Time on the CPU (user + kernel) of every thread of a process, in nanoseconds.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {print s + 0}'; }

# Let the new prefix's services settle before anything is timed.
sleep 3
echo "Measuring start-up ($runs rounds, the three programs in turn)..." >&2
wine "$tool" startup "$runs" "$(winepath -w "$exe")" "$(winepath -w "$floor")" \
  "$(winepath -w "$floor_cc6")" >"$out/startup" 2>&1

echo "Measuring one Enable sequence..." >&2
wine "$exe" >/dev/null 2>&1 &
wine "$tool" wait >/dev/null 2>&1
pid=$(pgrep -f 'corvelle\.exe' | head -n 1)
before=$(cpu_ns "$pid")
wine "$tool" enable >"$out/enable" 2>&1
after=$(cpu_ns "$pid")
kill "$pid" 2>/dev/null || true
enable_cpu_ms=$(awk -v a="$after" -v b="$before" 'BEGIN {printf "%.1f", (a - b) / 1e6}')

echo "Soaking with 1000 commands..." >&2
wine "$tool" soak 1000 >"$out/soak" 2>&1

dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr '[:upper:]' '[:lower:]' | sort | paste -sd ' ')
c_ms=$(value median_ms_0 "$out/startup"); f_ms=$(value median_ms_1 "$out/startup")
cc_ms=$(value median_ms_2 "$out/startup")
c_ws=$(value median_peak_ws_kib_0 "$out/startup"); f_ws=$(value median_peak_ws_kib_1 "$out/startup")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

printf '\n%-44s %-34s %s\n' "Figure" "Measured" "Target"
printf '%-44s %-34s %s\n' "DLLs imported" "$dlls" "system DLLs only"
printf '%-44s %-34s %s\n' "start-up to window painted (median)" "$c_ms ms" ""
printf '%-44s %-34s %s\n' "  floor: bare window of the same size" "$f_ms ms" ""
printf '%-44s %-34s %s\n' "  ratio to the floor" "$(ratio "$c_ms" "$f_ms")" "<= 1.2"
printf '%-44s %-34s %s\n' "  floor with common controls 6 loaded" "$cc_ms ms (ratio $(ratio "$cc_ms" "$f_ms"))" ""
printf '%-44s %-34s %s\n' "CPU during one Enable sequence" "$enable_cpu_ms ms in $(value enable_ms "$out/enable") ms" "<= 20 ms"
printf '%-44s %-34s %s\n' "peak working set after start-up" "$c_ws KiB" ""
printf '%-44s %-34s %s\n' "  floor" "$f_ws KiB (ratio $(ratio "$c_ws" "$f_ws"))" "<= 1.5 x floor"
printf '%-44s %-34s %s\n' "peak working set after the soak (in-process)" "$(value after_peak_ws_kib "$out/soak") KiB (ratio $(ratio "$(value after_peak_ws_kib "$out/soak")" "$f_ws"))" ""
printf '%-44s %-34s %s\n' "soak: $(value soak_commands "$out/soak") commands" "$(value soak_ms "$out/soak") ms" ""
for kind in gdi user handles; do
  b=$(value before_$kind "$out/soak"); a=$(value after_$kind "$out/soak")
  printf '%-44s %-34s %s\n' "  $kind objects before -> after" "$b -> $a (growth $((a - b)))" "no growth"
done
# Size of both builds, and where their bytes go.
bench/size.sh
