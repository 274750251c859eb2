#!/usr/bin/env bash
# Creates the Wine prefix $WINEPREFIX (reporting Windows 10) when it does not exist yet, and
# keeps one persistent wineserver running so that each Wine start is quick. Xvfb provides the
# display for the tests that show windows or message boxes.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

# Every prefix starts as a copy of one pristine prefix, made once: making one takes minutes
# where Wine's 32-bit side runs emulated, a copy seconds.
pristine="$(dirname "$WINEPREFIX")/wineprefix-pristine"
if [ ! -f "$pristine/system.reg" ] ||
   { [ "$(qovi_x86_mode)" != none ] && [ ! -f "$pristine/drive_c/windows/syswow64/kernel32.dll" ]; }; then
  # Made before 32-bit programs could run, it would start none of them: make it again.
  rm -rf "$pristine"
  mkdir -p "$pristine"
  echo "wine-up: creating the pristine prefix $pristine"
  # No display while the prefix is made, so that Wine shows no dialogs.
  WINEPREFIX="$pristine" DISPLAY= "$QOVI_WINE64" wineboot --init >/dev/null 2>&1 </dev/null
  WINEPREFIX="$pristine" DISPLAY= "$QOVI_WINE64" reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d win10 /f >/dev/null 2>&1 </dev/null
  WINEPREFIX="$pristine" "$QOVI_WINESERVER" -w
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  rm -rf "$WINEPREFIX"
  cp -a "$pristine" "$WINEPREFIX"
fi

display="${QOVI_DISPLAY:-:87}"
number=${display#:}
# A server that died leaves its socket and lock behind; only a live one counts.
lock_pid=$( { tr -d ' ' < "/tmp/.X$number-lock"; } 2>/dev/null || true)
if [ -n "$lock_pid" ] && ! kill -0 "$lock_pid" 2>/dev/null; then
  rm -f "/tmp/.X$number-lock" "/tmp/.X11-unix/X$number"
fi
if ! [ -e "/tmp/.X11-unix/X$number" ]; then
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
  disown || true
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$number" ] && break; sleep 0.1; done
fi

# The server must hold no pipe of the caller, or the caller's output never closes. The same
# goes for Wine's own services (services.exe, winedevice.exe, ...): the first Wine program of a
# server starts them, and they would inherit that program's output, so that ctest waited for
# them forever. Start them here with no output attached; the persistent server keeps them.
"$QOVI_WINESERVER" -p >/dev/null 2>&1 </dev/null &
disown || true
# With the display: the desktop that this first program of the server starts serves every later
# window, and one started without a display could draw none (a program's first window then
# fails with "no driver could be loaded").
DISPLAY="$display" "$QOVI_WINE64" wineboot >/dev/null 2>&1 </dev/null

