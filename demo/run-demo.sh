#!/usr/bin/env bash
# The demo so far: the packaging tool packs a sample setup folder, lists it and verifies it,
# and the Windows build of the tool reads the same package under Wine.
set -euo pipefail
native=$1 win32=$2
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/$native/demo"
ipk5="$root/$native/tools/ipk5/ipk5"
mkdir -p "$out"

echo "== packing demo/sample with ipk5"
"$ipk5" pack --level 5 "$out/SETUP.ipk" "$root/demo/sample"
echo "== ipk5 list"
"$ipk5" list "$out/SETUP.ipk"
echo "== ipk5 verify"
"$ipk5" verify "$out/SETUP.ipk"

source "$root/scripts/wine-env.sh"
if qovi_can_run_32bit; then
  bash "$root/scripts/wine-up.sh"
  echo "== ipk5.exe verify (Windows build, under Wine)"
  "$root/scripts/wine.sh" "$root/$win32/tools/ipk5/ipk5.exe" verify "Z:${out//\//\\}\\SETUP.ipk"
elif [ -x "$root/build/win64/tools/ipk5/ipk5.exe" ]; then
  bash "$root/scripts/wine-up.sh"
  echo "== ipk5.exe verify (64-bit Windows build, under Wine: this machine cannot execute 32-bit code)"
  "$root/scripts/wine64.sh" "$root/build/win64/tools/ipk5/ipk5.exe" verify "Z:${out//\//\\}\\SETUP.ipk"
else
  echo "note: this machine cannot execute 32-bit code, so the Windows build of ipk5 is not run here"
fi
