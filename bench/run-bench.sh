#!/usr/bin/env bash
# Runs the benchmarks of a build configured with -DQOVI_BENCH=ON.
#   bench/run-bench.sh BUILD_DIR [WINDOWS_BUILD_DIR]
# With WINDOWS_BUILD_DIR the silent install under Wine follows (run-install-bench.sh), built
# there from the payload this build generates.
# QOVI_BENCH_ROUNDS sets the rounds (default 5); QOVI_BENCH_CPU pins the run to one CPU with
# taskset, which keeps it from migrating but cannot keep other work off that CPU.
# QOVI_BENCH_HUGEPAGES=1 lets glibc back large allocations with transparent huge pages. In a
# virtual machine the first touch of a fresh 4 KiB page can cost microseconds, far more than on
# the machines the setup runs on; with huge pages the figures show the program's own costs.
set -euo pipefail

build=${1:?usage: run-bench.sh BUILD_DIR [WINDOWS_BUILD_DIR]}
windows_build=${2:-}
rounds=${QOVI_BENCH_ROUNDS:-5}

runner=()
if [ -n "${QOVI_BENCH_CPU:-}" ] && command -v taskset >/dev/null; then
  runner=(taskset -c "$QOVI_BENCH_CPU")
fi

# Other builds on the machine show up as noise; the load average says how much to expect.
load() { [ -r /proc/loadavg ] && cut -d' ' -f1-3 /proc/loadavg || echo unknown; }

if [ "${QOVI_BENCH_HUGEPAGES:-0}" = 1 ]; then
  export GLIBC_TUNABLES=glibc.malloc.hugetlb=1
  echo "bench: large allocations on transparent huge pages"
fi

echo "bench: $(nproc 2>/dev/null || echo '?') CPUs, load average $(load)"
"${runner[@]}" "$build/bench/PackageOpenBench" --rounds "$rounds"
# The backup uses both CPUs: no taskset here.
"$build/bench/BackupBench" --rounds "$rounds"
echo "bench: load average afterwards $(load)"

if [ -n "$windows_build" ]; then
  bash "$(dirname "$0")/run-install-bench.sh" "$build" "$windows_build"
fi
