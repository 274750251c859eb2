#!/usr/bin/env bash
# The smoke stage of the shipped 32-bit build, for machines that run 32-bit code only through
# qemu-user (about a minute for each 32-bit process): the demo installer's silent install into
# a fresh prefix, driven and checked by the 64-bit InstallerTest; the installed uninstaller's
# restart from TEMP; a listener that raises inside the controller's window procedure, which
# would end a 32-bit process whose exception reached the system's frame; ipk5 verify; and the
# large-address-aware flag. Prints one line per check and closes with "x86: N passed, N failed".
set -uo pipefail
win64=$1 win32=$2
root=$(cd "$(dirname "$0")/.." && pwd)
logs="$root/build/x86-smoke"
rm -rf "$logs"
mkdir -p "$logs"

# Two fresh prefixes, so that the installer's checks and the unit checks run side by side on
# the two cores without touching each other's registry.
start_prefix() {
  (
    export QOVI_WINEPREFIX=$1
    source "$root/scripts/wine-env.sh"
    "$QOVI_WINESERVER" -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    bash "$root/scripts/wine-up.sh"
  )
}
stop_prefix() {
  (export QOVI_WINEPREFIX=$1; source "$root/scripts/wine-env.sh"; "$QOVI_WINESERVER" -k >/dev/null 2>&1 || true)
}
installs="$root/build/x86-prefix" units="$root/build/x86-prefix-units"
start_prefix "$installs" && start_prefix "$units"
trap 'stop_prefix "$installs"; stop_prefix "$units"' EXIT

# check NAME PREFIX COMMAND...: runs COMMAND in PREFIX, records PASS or FAIL with its output.
check() {
  local name=$1 prefix=$2
  shift 2
  local log="$logs/$name.log" started=$SECONDS
  if (export QOVI_WINEPREFIX=$prefix; source "$root/scripts/wine-env.sh"; export DISPLAY="$QOVI_DISPLAY"; "$@") \
       >"$log" 2>&1; then
    echo "PASS $name ($((SECONDS - started)) s)" >"$log.result"
  else
    echo "FAIL $name ($((SECONDS - started)) s)" >"$log.result"
  fi
}

wine64="$root/scripts/wine64.sh" wine32="$root/scripts/wine.sh"
installer="$root/$win32/demo/QOVISetup.exe"
(
  check installer-and-uninstaller "$installs" env QOVI_TEST_DEMO_INSTALLER="$installer" QOVI_TEST_PATIENCE=8 \
    "$wine64" "$root/$win64/tests/e2e/InstallerTest.exe" --gtest_color=no \
    --gtest_filter='DemoInstaller.ASilentInstall*:DemoInstaller.TheInstalledUninstaller*:DemoInstaller.AnInstallationIsRemoved*:DemoInstaller.AnAutomaticRunShows*:DemoInstaller.TheLogTells*'
) &
(
  check listener-error-in-a-window-procedure "$units" bash -c 'cd "$1" && "$2" ./ControllerTest.exe --gtest_color=no \
    --gtest_filter="ControllerTest.AListenerThatRaises*"' _ "$root/$win32/tests/setup/core" "$wine32"
  check ipk5-verify "$units" "$wine32" "$root/$win32/tools/ipk5/ipk5.exe" verify \
    "$root/$win32/demo/QOVIDemoSetup.packages/PRODUCT.ipk"
) &
check large-address-aware "$units" bash -c 'i686-w64-mingw32-objdump -p "$1" | grep -q "large address aware"' _ "$installer"
wait

passed=0 failed=0
for result in "$logs"/*.result; do
  line=$(cat "$result")
  echo "$line"
  case "$line" in
    PASS*) passed=$((passed + 1)) ;;
    *) failed=$((failed + 1)); sed 's/^/    /' "${result%.result}" ;;
  esac
done
echo "x86: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
