#!/usr/bin/env bash
# Runs every test: the native build's with sanitizers, then the Windows build's under Wine,
# and closes with one summary line over both.
set -uo pipefail
native=$1 windows=$2
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

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
