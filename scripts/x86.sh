#!/usr/bin/env bash
# How this machine runs 32-bit x86 programs, and the emulator for machines that cannot run
# them natively (some virtual machines cannot execute 32-bit code at all). Shared by the
# bootstrap, the tests and the demo.
#
#   x86.sh mode       prints "native", "emulated" (only through qemu-user) or "none"
#   x86.sh register   where 32-bit code does not run natively: mounts binfmt_misc and registers
#                     qemu-i386-static for i386 executables, unless an entry for them exists;
#                     no other entry is touched
#
# Sourced, it defines qovi_x86_mode and qovi_x86_register.

_qovi_x86_entry=qemu-i386
_qovi_x86_interpreter=/usr/bin/qemu-i386-static
_qovi_binfmt=/proc/sys/fs/binfmt_misc

_qovi_x86_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# A static i386 program of 93 bytes that waits in pause() until it is killed. Which file the
# kernel then shows as its executable tells how it runs: itself when the processor runs it,
# the emulator when binfmt_misc handed it over.
_qovi_x86_write_probe() {
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'`
        `'\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'`
        `'\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x28\x00'`
        `'\x00\x00\x00\x00'`
        `'\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'`
        `'\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'`
        `'\xb8\x1d\x00\x00\x00\xcd\x80\xeb\xf7' > "$1"
  chmod +x "$1"
}

qovi_x86_mode() {
  local dir probe pid exe mode=none
  dir=$(mktemp -d)
  probe="$dir/probe"
  _qovi_x86_write_probe "$probe"
  ( exec "$probe" ) 2>/dev/null &
  pid=$!
  for _ in $(seq 100); do
    if ! kill -0 "$pid" 2>/dev/null; then break; fi  # could not be executed at all
    exe=$(readlink "/proc/$pid/exe" 2>/dev/null || true)
    if [ "$exe" = "$probe" ]; then mode=native; break; fi
    case "$exe" in *qemu-i386*) mode=emulated; break ;; esac
    sleep 0.02  # still the shell that is about to execute it
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  rm -rf "$dir"
  echo "$mode"
}

# Whether an enabled binfmt_misc entry already takes i386 executables.
_qovi_x86_has_entry() {
  local entry
  for entry in "$_qovi_binfmt"/*; do
    [ -f "$entry" ] && [ "$(basename "$entry")" != register ] && [ "$(basename "$entry")" != status ] || continue
    grep -qx enabled "$entry" 2>/dev/null || continue
    grep -q '^magic 7f454c4601010100000000000000000002000300' "$entry" && return 0
  done
  return 1
}

qovi_x86_register() {
  [ "$(qovi_x86_mode)" = none ] || return 0
  if [ ! -x "$_qovi_x86_interpreter" ]; then
    echo "x86: $_qovi_x86_interpreter is missing (package qemu-user-static)" >&2
    return 1
  fi
  if [ ! -e "$_qovi_binfmt/register" ]; then
    _qovi_x86_as_root mount -t binfmt_misc binfmt_misc "$_qovi_binfmt" || {
      echo "x86: cannot mount binfmt_misc" >&2; return 1; }
  fi
  if ! _qovi_x86_has_entry; then
    if [ -e "$_qovi_binfmt/$_qovi_x86_entry" ]; then
      echo "x86: the binfmt_misc entry $_qovi_x86_entry exists but is disabled; leaving it alone" >&2
      return 1
    fi
    # i386 ELF executables and shared objects (e_type 2 or 3, e_machine 3). The F flag opens the
    # interpreter now, so that it is found from every mount namespace and every re-execution.
    local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":$_qovi_x86_entry:M::$magic:$mask:$_qovi_x86_interpreter:F" |
      _qovi_x86_as_root tee "$_qovi_binfmt/register" >/dev/null || {
      echo "x86: cannot register $_qovi_x86_entry" >&2; return 1; }
    echo "x86: registered $_qovi_x86_interpreter for i386 executables"
  fi
  [ "$(qovi_x86_mode)" = emulated ] || { echo "x86: i386 programs still do not run" >&2; return 1; }
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  case "${1:-}" in
    mode) qovi_x86_mode ;;
    register) qovi_x86_register ;;
    *) echo "usage: $0 mode|register" >&2; exit 2 ;;
  esac
fi
