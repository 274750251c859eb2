#!/usr/bin/env bash
# A silent install of the player-like payload under Wine, timed against its floor: what any
# installer of the same package must do, decoding the PRODUCT package and writing its files with
# plain CreateFileW/WriteFile (InstallFloor). Both are timed as whole processes from start to
# exit, as a user waits for them; the floor also times itself inside the process.
#   bench/run-install-bench.sh NATIVE_BUILD WINDOWS_BUILD
# NATIVE_BUILD is the native benchmark build (make bench makes it: MakeInstallPayload, ipk5).
# WINDOWS_BUILD is configured and built here with the 64-bit mingw toolchain: Wine's 64-bit side
# runs wherever Wine does, also on machines that cannot execute 32-bit code at all.
# QOVI_BENCH_ROUNDS sets the rounds (default 5); JOBS the build's parallel jobs (default 2).
# QOVI_BENCH_CPU does not apply here: the wineserver, which every file call goes through, is a
# process of its own that a pinned program cannot take along.
#
# Wine runs in a prefix of the benchmark's own (WINDOWS_BUILD/wineprefix, or QOVI_WINEPREFIX):
# the installs leave nothing in the prefix the tests use, and the tests' Wine processes do not
# share a wineserver with the timed runs. A prefix of our own gets its server stopped at the end.
set -euo pipefail
export LC_ALL=C  # decimal points, and sort orders that match comm's

root=$(cd "$(dirname "$0")/.." && pwd)
native=$(realpath -m "${1:?usage: run-install-bench.sh NATIVE_BUILD WINDOWS_BUILD}")
win=$(realpath -m "${2:?usage: run-install-bench.sh NATIVE_BUILD WINDOWS_BUILD}")
rounds=${QOVI_BENCH_ROUNDS:-5}
jobs=${JOBS:-2}
payload=$native/payload

load() { [ -r /proc/loadavg ] && cut -d' ' -f1-3 /proc/loadavg || echo unknown; }
fail() { echo "bench: FAILED: $*" >&2; exit 1; }

echo
echo "== Silent install under Wine against the floor (decode the package, write the files) =="
echo "bench: $(nproc 2>/dev/null || echo '?') CPUs, load average $(load)"

# ---- the payload, then the installer made from it ----
# The folders must exist before CMake configures: qovi_add_installer globs them then.
"$native/bench/MakeInstallPayload" "$payload" --setup-file "$root/demo/setup/English.lng"
mkdir -p "$win"
log=$win/bench-build.log
echo "bench: building the installer and the floor program in $win (log: $log)"
if ! {
  cmake -S "$root" -B "$win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" \
    -DQOVI_TESTS=OFF -DQOVI_BENCH=ON -DQOVI_BENCH_PAYLOAD="$payload" \
    -DQOVI_HOST_IPK5="$native/tools/ipk5/ipk5" &&
    cmake --build "$win" -j "$jobs" --target QOVIBenchSetup InstallFloor StartupBench
} >"$log" 2>&1; then
  tail -n 30 "$log" >&2
  fail "the Windows build did not succeed (the whole log: $log)"
fi
setup_exe=$win/bench/QOVISetup.exe
floor_exe=$win/bench/InstallFloor.exe
startup_exe=$win/bench/StartupBench.exe
package=$win/bench/QOVIBenchSetup.packages/PRODUCT.ipk

# ---- Wine ----
export QOVI_WINEPREFIX=${QOVI_WINEPREFIX:-$win/wineprefix}
own_prefix=$([ "$QOVI_WINEPREFIX" = "$win/wineprefix" ] && echo 1 || echo 0)
export QOVI_DISPLAY=${QOVI_DISPLAY:-:87}
source "$root/scripts/wine-env.sh"
bash "$root/scripts/wine-up.sh"
export DISPLAY=$QOVI_DISPLAY
rounds_dir=$win/rounds
stop_wine() { [ "$own_prefix" = 1 ] && "$QOVI_WINESERVER" -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT
rm -rf "$rounds_dir"
mkdir -p "$rounds_dir"

# Z: is the whole Linux file system in every Wine prefix.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# Runs a Windows program to its end with its output in $rounds_dir/out and .err; sets ms (wall
# time from before the start to after the exit) and status. A program that waits on a message
# box would wait forever under Xvfb: the time limit ends it.
run_timed() {
  local t0 t1
  status=0
  t0=$EPOCHREALTIME
  timeout 300 "$QOVI_WINE64" "$@" >"$rounds_dir/out" 2>"$rounds_dir/err" </dev/null || status=$?
  t1=$EPOCHREALTIME
  ms=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.1f", (b - a) * 1000 }')
}

# ---- checking a result ----
# Sorted "path<TAB>size" of every file below a folder.
listing() { (cd "$1" && find . -type f -printf '%P\t%s\n' | sort); }
listing "$payload/product" >"$rounds_dir/expected"
payload_files=$(wc -l <"$rounds_dir/expected")
payload_bytes=$(awk -F'\t' '{ s += $2 } END { print s }' "$rounds_dir/expected")
extras_told=0

# Fails loudly unless every payload file is in Folder with the payload's bytes. Files beyond the
# payload (an uninstaller, say) are the setup's own business; they are named once.
verify() {
  local folder=$1 who=$2 missing differing
  listing "$folder" >"$rounds_dir/got"
  missing=$(comm -23 <(cut -f1 "$rounds_dir/expected") <(cut -f1 "$rounds_dir/got") | wc -l)
  if [ "$missing" -eq "$payload_files" ]; then
    fail "$who wrote none of the $payload_files payload files into $folder," \
      "yet ended with exit code 0: it does not extract files (yet)."
  elif [ "$missing" -gt 0 ]; then
    comm -23 <(cut -f1 "$rounds_dir/expected") <(cut -f1 "$rounds_dir/got") | head -n 5 | sed 's/^/  missing: /' >&2
    fail "$who left out $missing of the $payload_files payload files (kept for a look: $folder)"
  fi
  # The player's configuration is the one file the setup writes anew (its [System] section).
  differing=$(diff -rq -x QOVI.ini "$payload/product" "$folder" | grep -c '^Files ' || true)
  if [ "$differing" -gt 0 ]; then
    diff -rq -x QOVI.ini "$payload/product" "$folder" | grep '^Files ' | head -n 5 | sed 's/^/  /' >&2
    fail "$who wrote $differing payload files with other bytes (kept for a look: $folder)"
  fi
  if [ "$extras_told" = 0 ] && comm -13 "$rounds_dir/expected" "$rounds_dir/got" | grep -q .; then
    echo "  besides the payload, $who wrote: $(comm -13 "$rounds_dir/expected" "$rounds_dir/got" |
      awk -F'\t' '{ printf "%s%s (%d bytes)", (NR > 1 ? ", " : ""), $1, $2 }')"
    extras_told=1
  fi
}

# One timed run into a fresh, empty folder, checked and removed; the results are appended to
# the series named after the run.
floor_wall=() floor_open=() floor_extract=() floor_write=() floor_total=() setup_wall=() idle_wall=()
run_floor() {
  local dest=$rounds_dir/floor
  mkdir "$dest"
  run_timed "$floor_exe" "$(windows_path "$package")" "$(windows_path "$dest")\\"
  [ "$status" -eq 0 ] || { cat "$rounds_dir/err" >&2; fail "InstallFloor ended with exit code $status"; }
  verify "$dest" InstallFloor
  rm -rf "$dest"
  # open_ms=... extract_ms=... write_ms=... total_ms=... files=... bytes=...
  unset f_open_ms f_extract_ms f_write_ms f_total_ms
  eval "$(tr -d '\r' <"$rounds_dir/out" | tr ' ' '\n' | grep -E '^[a-z_]+=[0-9.]+$' | sed 's/^/f_/')"
  [ -n "${f_open_ms:-}" ] && [ -n "${f_extract_ms:-}" ] && [ -n "${f_write_ms:-}" ] && [ -n "${f_total_ms:-}" ] ||
    fail "InstallFloor printed no figures: $(cat "$rounds_dir/out")"
}
run_setup() {
  local dest=$rounds_dir/setup
  mkdir "$dest"
  run_timed "$setup_exe" "/AUTO=$(windows_path "$dest")\\" /SILENT
  if [ "$status" -eq 124 ]; then
    fail "the setup did not end within 300 s (a message box waiting on display $DISPLAY?)"
  elif [ "$status" -ne 0 ]; then
    fail "the setup ended with exit code $status (run it by hand to see its \"Setup\" box)"
  fi
  verify "$dest" "the setup"
  rm -rf "$dest"
}

echo "bench: $("$QOVI_WINE64" --version), prefix $WINEPREFIX"
printf 'Payload: %d files, %.1f MiB; PRODUCT package %.1f MiB (level 5); %s %.1f MiB\n' \
  "$payload_files" "$(awk -v b="$payload_bytes" 'BEGIN { print b / 1048576 }')" \
  "$(awk -v b="$(stat -c %s "$package")" 'BEGIN { print b / 1048576 }')" \
  "$(basename "$setup_exe")" "$(awk -v b="$(stat -c %s "$setup_exe")" 'BEGIN { print b / 1048576 }')"

# What an installation carries to remove itself again: the setup program with its setup package.
uninstaller="$(dirname "$setup_exe")/QOVIBenchSetup_uninstaller/Uninstall.exe"
[ -f "$uninstaller" ] || fail "no uninstaller at $uninstaller"
printf 'Uninstall.exe %.2f MiB (goal: at most 2 MiB), against the installer %.1f MiB\n' \
  "$(awk -v b="$(stat -c %s "$uninstaller")" 'BEGIN { print b / 1048576 }')" \
  "$(awk -v b="$(stat -c %s "$setup_exe")" 'BEGIN { print b / 1048576 }')"

# The first runs read the programs from disk and let Wine settle; they are not counted.
run_floor
warm_floor=$ms
run_setup
printf '  warm-up (not counted): floor %.0f ms, setup %.0f ms\n' "$warm_floor" "$ms"

# Floor and setup run next to each other in every round, in turn first, and are compared within
# the round: other work on the machine comes and goes over minutes.
for ((round = 1; round <= rounds; round++)); do
  run_timed "$floor_exe" --idle
  [ "$status" -eq 0 ] || fail "InstallFloor --idle ended with exit code $status"
  idle_wall+=("$ms")
  if ((round % 2)); then
    run_floor
    floor_ms=$ms
    run_setup
  else
    run_setup
    setup_ms=$ms
    run_floor
    floor_ms=$ms
    ms=$setup_ms
  fi
  setup_wall+=("$ms") floor_wall+=("$floor_ms")
  floor_open+=("$f_open_ms") floor_extract+=("$f_extract_ms") floor_write+=("$f_write_ms") floor_total+=("$f_total_ms")
  printf '  round %d: floor %.0f ms (in the process %.0f: open %.0f, extract %.0f, write %.0f), setup %.0f ms: %.2fx the floor\n' \
    "$round" "$floor_ms" "$f_total_ms" "$f_open_ms" "$f_extract_ms" "$f_write_ms" "$ms" \
    "$(awk -v s="$ms" -v f="$floor_ms" 'BEGIN { print s / f }')"
done
rm -rf "$rounds_dir"

# ---- the report ----
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
minimum() { printf '%s\n' "$@" | sort -g | head -n 1; }
row() { local name=$1; shift; printf '%-44s %10.1f %10.1f\n' "$name" "$(minimum "$@")" "$(median "$@")"; }
# Per-round quotients or differences of two series of the same length.
pairwise() {
  local op=$1 i; shift
  local -n a=$1 b=$2
  for i in "${!a[@]}"; do awk -v x="${a[$i]}" -v y="${b[$i]}" "BEGIN { print $op }"; done
}

echo
printf '%-44s %10s %10s\n' "step (ms)" "min" "median"
row "Wine process that does nothing" "${idle_wall[@]}"
row "floor, in the process: open the package" "${floor_open[@]}"
row "floor, in the process: extract the entries" "${floor_extract[@]}"
row "floor, in the process: write the files" "${floor_write[@]}"
row "floor, in the process: total" "${floor_total[@]}"
row "floor, whole process" "${floor_wall[@]}"
row "setup /AUTO /SILENT, whole process" "${setup_wall[@]}"

mapfile -t ratios < <(pairwise 'x / y' setup_wall floor_wall)
mapfile -t ratios_inside < <(pairwise 'x / y' setup_wall floor_total)
mapfile -t overhead < <(pairwise 'x - y' setup_wall floor_wall)
printf '\nSetup against the floor, whole processes: %.2fx (median of the rounds), %.2fx (minimum against minimum);\n' \
  "$(median "${ratios[@]}")" "$(awk -v s="$(minimum "${setup_wall[@]}")" -v f="$(minimum "${floor_wall[@]}")" 'BEGIN { print s / f }')"
printf '  %.0f ms more than the floor (median of the rounds); against the floor timed inside its process: %.2fx\n' \
  "$(median "${overhead[@]}")" "$(median "${ratios_inside[@]}")"
echo "bench: load average afterwards $(load)"

# ---- start-up: how soon a person sees the installer ----
echo
echo "== Start-up: from starting the installer without switches to its first window (the language dialog) =="
status=0
"$QOVI_WINE64" "$startup_exe" "$(windows_path "$setup_exe")" "$rounds" >"$win/startup.out" 2>&1 </dev/null || status=$?
tr -d '\r' <"$win/startup.out" | sed 's/^/  /'
[ "$status" -eq 0 ] || fail "StartupBench ended with exit code $status"
eval "$(tr -d '\r' <"$win/startup.out" | sed -n 's/^median //p' | tr ' ' '\n' | sed 's/^/s_/')"
printf 'First window %.0f ms after the start (goal: at most 300 ms); decoding the PRODUCT package alone takes %.0f ms\n' \
  "$s_first_window_ms" "$s_decode_ms"
