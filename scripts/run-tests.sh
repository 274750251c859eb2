#!/usr/bin/env bash
# Runs every test: the native build's with sanitizers, then the Windows build's under Wine,
# then, when a 32-bit build is named (machines that run 32-bit code only emulated), the smoke
# stage of that build; closes with one summary line over all of them.
set -uo pipefail
native=$1 windows=$2 x86=${3:-}
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/scripts/wine-up.sh"
source "$root/scripts/wine-env.sh"
export DISPLAY="$QOVI_DISPLAY"

passed=0 failed=0
run_suite() {
  local name=$1 dir=$2 log
  log=$(mktemp)
  echo "== $name tests"
  (cd "$dir" && ctest --output-on-failure -j 2 --timeout 600) 2>&1 | tee "$log"
  local summary
  summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$summary" ]; then
    failed=$((failed + 1))
  else
    local total bad
    bad=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
    total=$(echo "$summary" | sed -E 's/.* tests failed out of ([0-9]+).*/\1/')
    passed=$((passed + total - bad))
    failed=$((failed + bad))
  fi
  rm -f "$log"
}

run_suite native "$native"
run_suite "Windows ($(basename "$windows"), under Wine)" "$windows"
if [ -n "$x86" ]; then
  echo "== the 32-bit build ($(basename "$x86")), emulated: smoke stage"
  log=$(mktemp)
  bash "$root/scripts/run-x86-smoke.sh" "$windows" "$x86" 2>&1 | tee "$log"
  summary=$(grep -E '^x86: [0-9]+ passed, [0-9]+ failed$' "$log" | tail -n 1)
  if [ -z "$summary" ]; then
    failed=$((failed + 1))
  else
    passed=$((passed + $(echo "$summary" | sed -E 's/^x86: ([0-9]+) passed.*/\1/')))
    failed=$((failed + $(echo "$summary" | sed -E 's/.* ([0-9]+) failed$/\1/')))
  fi
  rm -f "$log"
fi

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
