#!/bin/bash
# Size of corvelle.exe in both builds, and where its bytes go: its sections and the largest
# contributors from the link map. Builds the programs if needed; part of `make bench`.
set -euo pipefail
cd "$(dirname "$0")/.."
limit=262144
for arch in x86 x64; do
  preset=windows triple=x86_64-w64-mingw32
  [ "$arch" = x86 ] && preset=windows-x86 triple=i686-w64-mingw32
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target corvelle >/dev/null
  exe=build/$preset/src/ui/corvelle.exe
  size=$(stat -c %s "$exe")
  verdict="within the target of $limit bytes (256 KiB)"
  [ "$size" -le "$limit" ] || verdict="OVER the target of $limit bytes (256 KiB) by $((size - limit))"
  echo
  echo "corvelle.exe ($arch): $size bytes ($((size / 1024)) KiB), $verdict"
  echo "  sections:"
  "$triple-objdump" -h "$exe" | while read -r _ name bytes _; do
    case $name in .*) printf "    %-8s %7d bytes\n" "$name" "$((16#$bytes))" ;; esac
  done
  echo "  largest contributors to code and data (from the link map):"
  python3 bench/size_report.py "build/$preset/bench/corvelle.map" | head -n 12 | sed 's/^/  /'
done
