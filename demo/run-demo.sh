#!/usr/bin/env bash
# The demo: the installer that qovi_add_installer built from demo/setup and demo/product, what
# it carries, a silent run of it under Wine, a second run over the installation it made, the
# silent removal by its uninstaller, and an interactive run through the wizard's pages.
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

# A fresh Wine prefix of the demo's own: the player is installed as on a machine that never had it.
export QOVI_WINEPREFIX="$root/build/demo-prefix"
source "$root/scripts/wine-env.sh"
if [ -d "$WINEPREFIX" ]; then
  "$QOVI_WINESERVER" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
fi
bash "$root/scripts/wine-up.sh"
# The prefix's own server goes when the demo ends; the tests keep theirs.
trap '"$QOVI_WINESERVER" -k >/dev/null 2>&1 || true' EXIT
export DISPLAY="$QOVI_DISPLAY"
x86_mode=$(qovi_x86_mode)
if [ "$x86_mode" != none ]; then
  runner="$root/scripts/wine.sh" program="$installer"
  [ "$x86_mode" = native ] ||
    echo "note: this machine runs 32-bit code only through qemu-user: the install takes a few minutes"
else
  # This machine cannot execute 32-bit code: the same installer, built for 64 bits, stands in.
  make -C "$root" --no-print-directory win64 >/dev/null
  runner="$root/scripts/wine64.sh" program="$root/build/win64/demo/QOVISetup.exe"
  echo "note: this machine cannot execute 32-bit code; running the 64-bit build of the installer"
fi
dest='C:\qovi-demo\'
installed="$WINEPREFIX/drive_c/qovi-demo"
# install_silently WHAT: the silent install into $dest, ending the demo when it fails.
install_silently() {
  echo "== $(basename "$program") /AUTO=\"$dest\" /SILENT $1"
  local status=0
  "$runner" "$program" "/AUTO=$dest" /SILENT || status=$?
  if [ "$status" -ne 0 ]; then
    echo "== the silent run failed (exit code $status)"
    exit "$status"
  fi
}
install_silently "under Wine (fresh prefix $WINEPREFIX)"
echo "== the silent run succeeded (exit code 0); installed into $dest:"
(cd "$installed" && find . -type f -printf '%10s  %P\n' | sort -k2)

echo "== the uninstall record (Uninstall.ini inside Uninstall.dat)"
"$ipk5" list "$installed/Uninstall.dat"
"$ipk5" extract "$installed/Uninstall.dat" Uninstall.ini "$out/Uninstall.ini" >/dev/null
iconv -f UTF-16 -t UTF-8 "$out/Uninstall.ini" | tr -d '\r'

echo "== the entry in the list of installed programs"
"$QOVI_WINE64" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QOVI' /reg:32 2>/dev/null | tr -d '\r' |
  sed '/^$/d'

desktop="$WINEPREFIX/drive_c/users/Public/Desktop/QOVI.lnk"
startmenu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/QOVI"
echo "== the player's registration: Elevator.exe was started with"
cat "$installed/Elevator.log"
echo "== the shortcuts, as lnkinfo reads them"
for link in "$desktop" "$startmenu/QOVI.lnk"; do
  echo "${link#"$WINEPREFIX/drive_c/"} -> $(lnkinfo "$link" | sed -n 's/^[[:space:]]*Local path[[:space:]]*: //p')"
done
echo "== the player's configuration QOVI.ini"
iconv -f UTF-16 -t UTF-8 "$installed/QOVI.ini" | tr -d '\r'

# The same installer again, as the update of a 5.04 installation (its configuration says 5.04
# here): the previous one is backed up into "!Backup\" first, then replaced, the user's skins
# stay, and the configuration gets a new [System] section.
printf '[System]\r\nVersion=5040\r\nUserMode=1\r\n' >"$installed/QOVI.ini"
printf 'a skin of the user\r\n' >"$installed/Skins/Mine.skin"
install_silently "again: the update of a 5.04 installation"
echo "== after the update: Skins\\Mine.skin $( [ -e "$installed/Skins/Mine.skin" ] && echo stayed || echo went); QOVI.ini:"
iconv -f UTF-16 -t UTF-8 "$installed/QOVI.ini" | tr -d '\r'

echo "== the backup archive of the previous installation"
for archive in "$installed/!Backup/"*.zip; do
  echo "$(basename "$archive"):"
  unzip -l "$archive" | sed -n '4,$p'
  unzip -tq "$archive"
done

# Removal as a package manager does it: the quiet uninstall string of the entry, waited for.
echo "== Uninstall.exe /AUTO /SILENT (the entry's QuietUninstallString)"
status=0
"$runner" 'C:\qovi-demo\Uninstall.exe' /AUTO /SILENT || status=$?
echo "== the uninstaller ended with exit code $status; left in $dest (the configuration and the logs of the stand-ins):"
(cd "$installed" && find . -printf '%y %10s  %P\n' | sed '/  $/d' | sort -k3)
echo "== Elevator.exe was started with"
cat "$installed/Elevator.log"
echo "== shortcuts: desktop $( [ -e "$desktop" ] && echo stayed || echo gone), Start menu $( [ -e "$startmenu" ] && echo stayed || echo gone)"
echo "== the entry in the list of installed programs: $("$QOVI_WINE64" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QOVI' /reg:32 >/dev/null 2>&1 && echo stayed || echo gone)"
[ "$status" -eq 0 ] || exit "$status"

# The wizard, as a person sees it: the test driver starts the installer without switches and
# goes through the language dialog and every page to the finish, keeping a screenshot of each.
if [ "$x86_mode" != none ]; then
  driver="$root/$win32/tests/e2e/InstallerTest.exe"
else
  driver="$root/build/win64/tests/e2e/InstallerTest.exe"
fi
shots="$(dirname "$driver")/screenshots"
rm -rf "$shots"
echo "== the wizard: an interactive install from the language dialog to the finish page"
status=0
# An emulated 32-bit installer takes its time for every page.
patience=$([ "$x86_mode" = emulated ] && echo 8 || echo 1)
QOVI_TEST_DEMO_INSTALLER="$program" QOVI_TEST_PATIENCE=$patience "$runner" "$driver" --gtest_color=no \
  --gtest_filter='DemoInstaller.AnInteractiveInstall*' >"$root/$win32/demo/wizard.log" 2>&1 || status=$?
grep -E '^\[ +(OK|FAILED) ' "$root/$win32/demo/wizard.log" || true
echo "== screenshots of the wizard in $shots:"
ls "$shots"
exit "$status"
