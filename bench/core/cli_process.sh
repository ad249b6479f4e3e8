#!/usr/bin/env bash
# orvanta-cli generate as a whole process against the cheapest C++ process,
# run alternately so both see the same machine load.
set -euo pipefail
build=${1:-build}
cli="$build/cli/orvanta-cli"
floor="$build/bench/core/trivial_process"
rounds=${ROUNDS:-300}
for exe in "$cli" "$floor"; do [ -x "$exe" ] || { echo "missing $exe"; exit 1; }; done

now() { date +%s%N; }
cli_ns=0
floor_ns=0
for ((i = 0; i < rounds; i++)); do
  t0=$(now); "$cli" generate -f openIt -w promo -u offer.htm --width 400 --height 200 -c \
      -t under -o scrollbars -d 5 -x 10 -a load >/dev/null
  t1=$(now); "$floor" >/dev/null
  t2=$(now)
  cli_ns=$((cli_ns + t1 - t0))
  floor_ns=$((floor_ns + t2 - t1))
done
awk -v c="$cli_ns" -v f="$floor_ns" -v n="$rounds" 'BEGIN {
  printf "orvanta-cli generate: %.2f ms per process; trivial process: %.2f ms; ratio %.2f (target <= 3)\n",
         c / n / 1e6, f / n / 1e6, c / f }'
