# Sourced by the scripts that run Windows programs: the project's own throwaway prefix, never
# ~/.wine, and no prompts for Mono or Gecko (they cannot be downloaded here).
_qovi_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${QOVI_WINEPREFIX:-$_qovi_root/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# Nor Wine's menu builder: it opens the targets of new shortcuts to take their icons, and a test
# that deletes an installed player right after its install then meets a file in use.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
export WINEARCH=win64
# Debian's wrappers prefer the 32-bit loader and server; name each one explicitly.
QOVI_WINE32=/usr/lib/wine/wine
QOVI_WINE64=/usr/lib/wine/wine64
QOVI_WINESERVER=/usr/lib/wine/wineserver64
[ -x "$QOVI_WINESERVER" ] || QOVI_WINESERVER=wineserver
unset _qovi_root

# How this machine runs 32-bit programs: qovi_x86_mode prints native, emulated or none.
source "$(dirname "${BASH_SOURCE[0]}")/x86.sh"
