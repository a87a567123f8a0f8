# Sourced by the scripts that run Windows programs under Wine.
#
# runs_32bit_programs: true when this Linux system runs 32-bit x86 programs. Wine runs 32-bit
# Windows programs through its 32-bit Linux loader, so without them it runs only 64-bit ones. Some
# kernels and virtual machines leave them out; this asks the kernel with the smallest such program
# (91 bytes: a 32-bit ELF header, one program header and exit(0) through int 0x80), written to
# TMPDIR. Where the probe cannot be written or run there at all (a folder mounted noexec refuses
# even a shell script), the question has no answer: the calling script stops and says so.
runs_32bit_programs() {
  _dir=${TMPDIR:-/tmp}
  _probe=$(mktemp "$_dir/corvelle-elf32.XXXXXX" 2>/dev/null) || _probe=""
  _status=1
  if [ -n "$_probe" ]; then
    # A probe that could not be written whole (a full disk) would run as an empty script and
    # exit 0: only the whole 91 bytes are a question to the kernel.
    if ! { printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\133\000\000\000\133\000\000\000\005\000\000\000\000\020\000\000\061\333\061\300\100\315\200' >"$_probe"; } 2>/dev/null || [ "$(wc -c <"$_probe")" != 91 ]; then
      rm -f "$_probe"
      echo "${CORVELLE_ME:-$(basename "$0" .sh)}: cannot write the 32-bit probe to $_dir (disk full?), so it cannot tell whether this Linux system runs 32-bit programs; free some space or set TMPDIR to another folder." >&2
      exit 1
    fi
    chmod +x "$_probe"
    "$_probe" >/dev/null 2>&1 </dev/null && _status=0
    if [ "$_status" != 0 ]; then
      # Refused: by the kernel, or by the folder? The folder refuses a shell script too.
      printf '#!/bin/sh\nexit 0\n' >"$_probe"
      "$_probe" >/dev/null 2>&1 </dev/null || _status=cannot
    fi
    rm -f "$_probe"
  else
    _status=cannot
  fi
  if [ "$_status" = cannot ]; then
    echo "${CORVELLE_ME:-$(basename "$0" .sh)}: cannot run the 32-bit probe in $_dir (mounted noexec, or not writable), so it cannot tell whether this Linux system runs 32-bit programs; set TMPDIR to a folder where programs may run." >&2
    exit 1
  fi
  return "$_status"
}

# What binfmt_misc matches as a 32-bit x86 program (magic:mask, as qemu's own i386 entry has it: an
# i386 ELF executable or shared object), in the escapes binfmt_misc decodes itself.
# shellcheck disable=SC2034 # used by the scripts that source this file
i386_binfmt_match='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

# prefix_arch PREFIX: prints win32 or win64, the kind of Wine prefix recorded in its system.reg
# (`#arch=win32`); prints nothing when the prefix has no such record.
prefix_arch() {
  [ -f "$1/system.reg" ] || return 0
  sed -n 's/^#arch=\(win32\|win64\)\r\{0,1\}$/\1/p' "$1/system.reg" 2>/dev/null | head -n 1
}

# can_emulate_x86: true where 32-bit programs can be handed to qemu-i386 inside a private user
# namespace, which needs binfmt_misc per user namespace (Linux 6.7 or later) and user namespaces
# allowed. Otherwise prints, on standard output, one line saying why not.
can_emulate_x86() {
  _kernel=$(uname -r)
  _major=${_kernel%%.*} _minor=${_kernel#*.}
  _minor=${_minor%%[!0-9]*}
  if [ "$_major" -lt 6 ] || { [ "$_major" -eq 6 ] && [ "${_minor:-0}" -lt 7 ]; }; then
    echo "emulating 32-bit programs needs binfmt_misc per user namespace, which came with Linux 6.7; this is Linux $_kernel"
    return 1
  fi
  if ! unshare --user --map-root-user --mount true 2>/dev/null; then
    echo "emulating 32-bit programs needs user namespaces, which are not allowed here"
    return 1
  fi
}

# x86_route: prints how the x86 build's programs run here, in the environment of
# tools/wine/env.sh: "native" where Linux runs 32-bit programs, "emulated" where it does not but
# can_emulate_x86. CORVELLE_X86_ROUTE=emulated chooses emulation even where Linux runs them. Where
# neither works, says why in one line and fails.
x86_route() {
  # The probe runs even when emulation is asked for: where it cannot run at all, it stops here.
  _native=no
  runs_32bit_programs && _native=yes
  if [ "$_native" = yes ] && [ "${CORVELLE_X86_ROUTE:-}" != emulated ]; then
    echo native
    return 0
  fi
  if ! _why=$(can_emulate_x86); then
    if [ "$_native" = yes ]; then
      echo "x86: CORVELLE_X86_ROUTE=emulated, but $_why." >&2
    else
      echo "x86: this Linux runs no 32-bit programs, and $_why." >&2
    fi
    return 1
  fi
  echo emulated
}

# prefix_server PREFIX: prints the process id and program of the Wine server that holds PREFIX,
# whichever Wine started it and in whichever namespace it runs; prints nothing when none does. A
# Wine server works in a folder named after its prefix's device and inode ("server-DEV-INODE"),
# wherever its Wine keeps that folder (/tmp/.wine-UID, Debian's wine-XXXXXX folders, a private
# /tmp): that name, not the folder, tells which prefix it holds.
prefix_server() {
  local id pid cwd
  id=$(stat -L -c '%d %i' "$1" 2>/dev/null) || return 0
  # shellcheck disable=SC2086
  id=$(printf 'server-%x-%x' $id)
  for pid in $(pgrep '^wineserver'); do
    cwd=$(readlink "/proc/$pid/cwd" 2>/dev/null) || continue
    cwd=${cwd% (deleted)}
    if [ "${cwd##*/}" = "$id" ]; then
      echo "$pid $(readlink "/proc/$pid/exe" 2>/dev/null || echo wineserver)"
      return 0
    fi
  done
}

# prefix_refused PREFIX: true, after one line on standard error saying why, where the Wine
# environment's Wine must not run on PREFIX: another user's prefix (Wine serves only its owner), or
# one that a Wine server already holds. A second server on one prefix keeps a registry of its own,
# and whichever saves last overwrites what the other's programs wrote, though they were told it was
# done.
prefix_refused() {
  local server
  if [ -e "$1" ] && [ ! -O "$1" ]; then
    echo "${CORVELLE_ME:-$(basename "$0" .sh)}: $1 belongs to user $(stat -c %U "$1"), and Wine runs a prefix only for its owner; run as that user, or set WINEPREFIX to a prefix of your own." >&2
    return 0
  fi
  server=$(prefix_server "$1")
  [ -n "$server" ] || return 1
  echo "${CORVELLE_ME:-$(basename "$0" .sh)}: a Wine server already holds $1 (process ${server%% *}, ${server#* }), and a second one would lose what either saves; close the Wine programs in that prefix (or end them: WINEPREFIX=$1 wineserver -k), or start the x64 build with your own Wine (ARCH=x64)." >&2
}

# wine_x86_way [KIND]: prints how the `wine` on PATH runs 32-bit Windows programs in a prefix of
# KIND (win32, win64, or empty for a new one), from what that Wine has, not from whose package it
# is: "32-bit loader LOADER" (Debian's and Ubuntu's wine32, WineHQ's packages), or, in a 64-bit
# prefix, "new WoW64 DIR" where its 64-bit loader runs them itself (the i386-windows libraries in
# the folder of its x86_64-unix ones, as Arch's, Fedora's and Debian unstable's Wine have, with no
# 32-bit loader). Fails where it has neither.
wine_x86_way() {
  local w bin loader d
  w=$(command -v wine) || return 1
  w=$(readlink -f "$w")
  bin=$(dirname "$w")
  # The loader itself, or where a `wine` script (Debian's wine-stable) has it beside it.
  for loader in "$w" "$bin/wine" "$bin/../lib/wine/wine" "$bin/../lib/i386-linux-gnu/wine/wine"; do
    if [ -f "$loader" ] && [ "$(od -An -tx1 -N5 "$loader" | tr -d ' \n')" = 7f454c4601 ]; then
      echo "32-bit loader $loader"
      return 0
    fi
  done
  [ "${1:-}" != win32 ] || return 1
  for d in "$bin" "$bin/../lib/wine" "$bin/../lib64/wine" "$bin/../lib/x86_64-linux-gnu/wine"; do
    if [ -f "$d/i386-windows/ntdll.dll" ] && [ -f "$d/x86_64-unix/ntdll.so" ]; then
      echo "new WoW64 $(realpath "$d")"
      return 0
    fi
  done
  return 1
}

# wine_runs_x86 [KIND]: true where the `wine` on PATH runs the x86 build in a prefix of KIND: Linux
# runs 32-bit programs (both ways execute 32-bit code), and wine_x86_way finds a way.
wine_runs_x86() {
  command -v wine >/dev/null && runs_32bit_programs && wine_x86_way "${1:-}" >/dev/null
}
