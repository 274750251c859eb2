#!/usr/bin/env bash
# Runs a 64-bit Windows program in the project's Wine prefix.
source "$(dirname "$0")/wine-env.sh"
export WINELOADER="$QOVI_WINE64"
exec "$QOVI_WINE64" "$@"
