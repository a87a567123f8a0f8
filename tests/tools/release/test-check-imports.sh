#!/bin/bash
# Shows that tools/release/check-imports.py fails on programs built to break each of its rules that the
# shipped programs cannot show it breaking: a delay-loaded import (x86 and x64), an import of a
# function only the other architecture's Windows has, and an x86 load configuration of a size
# Windows XP does not take (in the structure, in its data directory entry). Small programs with
# no C runtime, from the MinGW-w64 cross compilers (tools/install-deps.sh wine); the check
# against the real list must pass the clean ones and name each fault of the others.
set -euo pipefail
cd "$(dirname "$0")/../../.."
dir=$(mktemp -d /tmp/check-imports-test.XXXXXX)
trap 'rm -rf "$dir"' EXIT
fail() { echo "test-check-imports: FAILED: $*" >&2; exit 1; }

# Declared here: <windows.h> is slow to read and declares GetWindowLongPtrW for x64 only.
cat >"$dir/program.c" <<'EOF'
__declspec(dllimport) void __stdcall Sleep(unsigned long milliseconds);
#if defined LONG_PTR_X86 || defined _WIN64
__declspec(dllimport) long __stdcall GetWindowLongPtrW(void *window, int index);
#endif

#ifdef DELAY
/* Never called: the delay-load thunk only has to link. */
void *__stdcall __delayLoadHelper2(const void *descriptor, void **slot) {
  (void)descriptor;
  return *slot;
}
unsigned long long __stdcall DELAY(void);
#endif

#ifdef LOAD_CONFIG
const struct {
  unsigned long size;
  unsigned long rest[LOAD_CONFIG / 4 - 1];
} _load_config_used = {LOAD_CONFIG, {0}};
#endif

void mainCRTStartup(void) {
  Sleep(0);
#if defined LONG_PTR_X86 || defined _WIN64
  GetWindowLongPtrW(0, 0);
#endif
#ifdef DELAY
  DELAY();
#endif
}
EOF
build() {  # ARCH NAME CFLAGS...: $dir/NAME.exe
  local arch=$1 name=$2
  shift 2
  "$arch-w64-mingw32-gcc" -Wall -Wextra -Werror -Os -nostdlib -o "$dir/$name.exe" "$dir/program.c" \
    "$@" -L"$dir" -lkernel32 -luser32
}
delay_library() {  # ARCH DLL FUNCTION: $dir/libdelay-ARCH.a, which delay-loads DLL!FUNCTION
  printf 'LIBRARY %s\nEXPORTS\n%s\n' "$2" "$3" >"$dir/delay-$1.def"
  "$1-w64-mingw32-dlltool" -k --input-def "$dir/delay-$1.def" --output-delaylib "$dir/libdelay-$1.a"
}
# What GNU ld (Debian 12) leaves out of x86 programs' headers, written in with the check's reader:
#   directory EXE INDEX SYMBOL SIZE [older]  points EXE's data directory entry INDEX, with SIZE,
#   at the symbol whose name starts with SYMBOL; "older" turns the delay-load descriptor there
#   into the older form, of virtual addresses, which only the entry lists.
cat >"$dir/directory.py" <<'EOF'
import struct, subprocess, sys
sys.path.insert(0, "tools/release")
from pe import PeFile
path, index, symbol, size = sys.argv[1], int(sys.argv[2]), sys.argv[3], int(sys.argv[4])
pe = PeFile.open(path)
data, base = bytearray(pe.data), pe.image_base
symbols = subprocess.run(["i686-w64-mingw32-nm", path], capture_output=True, text=True).stdout
rva = next(int(line.split()[0], 16) for line in symbols.splitlines()
           if line.split()[-1].startswith(symbol))
rva -= base
entry = struct.unpack_from("<I", data, 0x3C)[0] + 24 + 96 + 8 * index  # a PE32 header's entry
struct.pack_into("<II", data, entry, rva, size)
if sys.argv[5:] == ["older"]:
    descriptor = pe.offset(rva)
    fields = list(struct.unpack_from("<8I", data, descriptor))
    entry = pe.offset(fields[4])
    while struct.unpack_from("<I", data, entry)[0]:
        struct.pack_into("<I", data, entry, struct.unpack_from("<I", data, entry)[0] + base)
        entry += 4
    fields[0] = 0
    fields[1:5] = [field + base for field in fields[1:5]]
    struct.pack_into("<8I32x", data, descriptor, *fields)  # and a zero descriptor to end the list
with open(path, "wb") as f:
    f.write(data)
EOF
directory() { python3 "$dir/directory.py" "$dir/$1.exe" "${@:2}"; }
check() {  # EXE...: the check's output; its exit status in $status
  status=0
  out=$(python3 tools/release/check-imports.py tools/release/system-imports.txt "$@" 2>&1) || status=$?
}
expect_fault() {  # NAME LINE: the check fails on NAME.exe and says "NAME.exe LINE"
  check "$dir/$1.exe"
  [ "$status" = 1 ] || fail "$1.exe: exit status $status, not 1: $out"
  grep -qxF -- "$dir/$1.exe $2" <<<"$out" || fail "$1.exe: no line '$1.exe $2' in: $out"
}

build i686 clean-x86 -DLOAD_CONFIG=64
build x86_64 clean-x64
printf 'LIBRARY user32.dll\nEXPORTS\nGetWindowLongPtrW@8\n' >"$dir/user32.def"
i686-w64-mingw32-dlltool -k --input-def "$dir/user32.def" --output-lib "$dir/libuser32-x86.a"
build i686 long-ptr-x86 -DLONG_PTR_X86 -luser32-x86
delay_library i686 kernel32.dll GetTickCount64@0
build i686 delay-x86 -DDELAY=GetTickCount64 -ldelay-i686
delay_library x86_64 user32.dll GetDpiForWindow
build x86_64 delay-x64 -DDELAY=GetDpiForWindow -ldelay-x86_64
build i686 load-config-48 -DLOAD_CONFIG=48
cp "$dir/clean-x86.exe" "$dir/load-config-entry.exe"
directory clean-x86 10 __load_config_used 64
directory load-config-48 10 __load_config_used 64
directory load-config-entry 10 __load_config_used 72
cp "$dir/delay-x86.exe" "$dir/delay-x86-listed.exe"
directory delay-x86-listed 13 __DELAY_IMPORT_DESCRIPTOR_ 32 older

check "$dir/clean-x86.exe" "$dir/clean-x64.exe"
[ "$status" = 0 ] || fail "the clean programs: exit status $status: $out"
expect_fault long-ptr-x86 "(x86): imports user32.dll!GetWindowLongPtrW, which only x64 Windows has"
vista="(x86): delay-loads kernel32.dll!GetTickCount64, which needs Windows Vista; the build is for"
expect_fault delay-x86 "$vista Windows XP"
expect_fault delay-x86-listed "$vista Windows XP"
expect_fault delay-x64 "(x64): delay-loads user32.dll!GetDpiForWindow, not in the list"
expect_fault load-config-48 \
  "(x86): load configuration structure of 48 bytes, less than the 64 that Windows XP reads"
expect_fault load-config-entry \
  "(x86): load configuration of 72 bytes in its data directory entry; Windows XP takes only 64"
echo "test-check-imports: the check passes the clean programs and names each fault of the others."
