#!/usr/bin/env bash
# Runs a 32-bit Windows program in the project's Wine prefix.
source "$(dirname "$0")/wine-env.sh"
exec "$QOVI_WINE32" "$@"
