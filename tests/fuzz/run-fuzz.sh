#!/usr/bin/env bash
# Runs every fuzz target (package reader, install script, INI loader) for SECONDS each, one after the other, and
# prints one line per target. Usage: run-fuzz.sh BUILD_DIR [SECONDS]
# With FUZZ_RUNS=N in the environment each target runs N inputs instead, however long that takes.
#
# Everything the runs produce stays under BUILD_DIR: the seeds are written afresh each time,
# the corpus grows from run to run, and a failing input is kept with the log that explains it.
# Exits non-zero when any target finds a crash, a sanitizer report, a leak, an allocation over
# the limit or an input slower than the timeout.
set -uo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 BUILD_DIR [SECONDS]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
seconds=${2:-60}
bin="$build/tests/fuzz"
work="$build/fuzz-work"

# A declared size that is allocated before it is checked must show up as a failure, so the
# allocation limit sits well below what the machine could hand out.
common=(-rss_limit_mb=2048 -malloc_limit_mb=2048 -timeout=10 -print_final_stats=1)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

mkdir -p "$work"
rm -rf "$work/seeds"
"$bin/PackageFuzzSeeds" "$work/seeds" || { echo "fuzz: cannot write the seeds" >&2; exit 1; }

# target, its seed folder, the longest input worth trying. A whole package needs room for an
# LZMA stream of a few files; a body only needs room for a table.
targets=(
  "PackageReaderFuzz reader 8192"
  "PackageTableFuzz table 4096"
  "ScriptLoaderFuzz script 8192"
  "IniLoaderFuzz ini 4096"
)

failed=0
summary=()
for entry in "${targets[@]}"; do
  read -r target seeds max_len <<<"$entry"
  corpus="$work/corpus/$target"
  artifacts="$work/artifacts/$target"
  log="$work/$target.log"
  mkdir -p "$corpus" "$artifacts"
  if [ -n "${FUZZ_RUNS:-}" ]; then
    limit=(-runs="$FUZZ_RUNS")
    echo "fuzz: $target for $FUZZ_RUNS inputs (log: $log)"
  else
    limit=(-max_total_time="$seconds")
    echo "fuzz: $target for ${seconds}s (log: $log)"
  fi

  # New inputs go to the first folder, so the seeds are read but never added to.
  "$bin/$target" "${common[@]}" -max_len="$max_len" "${limit[@]}" \
    -artifact_prefix="$artifacts/" "$corpus" "$work/seeds/$seeds" >"$log" 2>&1
  rc=$?

  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  status=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1)
  cov=$(sed -n 's/.*cov: \([0-9]*\).*/\1/p' <<<"$status")
  ft=$(sed -n 's/.*ft: \([0-9]*\).*/\1/p' <<<"$status")
  files=$(find "$corpus" -type f | wc -l)
  line="$target: ${runs:-?} runs, ${speed:-?} exec/s, cov ${cov:-?}, ft ${ft:-?}, corpus $files files"

  if [ "$rc" -eq 0 ]; then
    summary+=("$line, ok")
  else
    failed=1
    finding=$(grep -m 1 -E '^SUMMARY: |ERROR: libFuzzer: |^package fuzz: |^terminate called ' "$log" || echo "exit code $rc")
    unit=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -n 1)
    summary+=("$line, FAILED: $finding")
    [ -n "$unit" ] && summary+=("  reproduce: $bin/$target $unit")
  fi
done

printf '%s\n' "${summary[@]}"
exit "$failed"
