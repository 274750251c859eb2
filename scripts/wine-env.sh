# Sourced by the scripts that run Windows programs: the project's own throwaway prefix, never
# ~/.wine, and no prompts for Mono or Gecko (they cannot be downloaded here).
_qovi_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${QOVI_WINEPREFIX:-$_qovi_root/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64
# Debian's wrappers prefer the 32-bit loader and server; name each one explicitly.
QOVI_WINE32=/usr/lib/wine/wine
QOVI_WINE64=/usr/lib/wine/wine64
QOVI_WINESERVER=/usr/lib/wine/wineserver64
[ -x "$QOVI_WINESERVER" ] || QOVI_WINESERVER=wineserver
unset _qovi_root

# Whether this machine executes 32-bit x86 code at all (some virtual machines do not).
qovi_can_run_32bit() {
  "$QOVI_WINE32" --version >/dev/null 2>&1
}
