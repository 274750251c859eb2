#!/usr/bin/env bash
# The demo: the installer that qovi_add_installer built from demo/setup and demo/product, what
# it carries, and a silent run of it under Wine.
set -euo pipefail
native=$1 win32=$2
root=$(cd "$(dirname "$0")/.." && pwd)
ipk5="$root/$native/tools/ipk5/ipk5"
installer="$root/$win32/demo/QOVISetup.exe"
out="$root/$win32/demo/carried"
mkdir -p "$out"

echo "== $installer ($(stat -c %s "$installer") bytes)"
wrestool -l "$installer"
for package in SETUP PRODUCT; do
  wrestool -x --raw --type=10 --name="$package" "$installer" > "$out/$package.ipk"
  # The resource must be exactly the package the build packed.
  cmp "$out/$package.ipk" "$root/$win32/demo/QOVIDemoSetup.packages/$package.ipk"
  echo "== resource $package: ipk5 verify and list"
  "$ipk5" verify "$out/$package.ipk"
  "$ipk5" list "$out/$package.ipk"
done

source "$root/scripts/wine-env.sh"
bash "$root/scripts/wine-up.sh"
export DISPLAY="$QOVI_DISPLAY"
if qovi_can_run_32bit; then
  runner="$root/scripts/wine.sh" program="$installer"
else
  # This machine cannot execute 32-bit code: the same installer, built for 64 bits, stands in.
  make -C "$root" --no-print-directory win64 >/dev/null
  runner="$root/scripts/wine64.sh" program="$root/build/win64/demo/QOVISetup.exe"
  echo "note: this machine cannot execute 32-bit code; running the 64-bit build of the installer"
fi
dest='C:\qovi-demo\'
echo "== $(basename "$program") /AUTO=\"$dest\" /SILENT under Wine"
status=0
"$runner" "$program" "/AUTO=$dest" /SILENT || status=$?
if [ "$status" -eq 0 ]; then
  echo "== the silent run succeeded (exit code 0)"
else
  echo "== the silent run failed (exit code $status)"
  exit "$status"
fi
