#!/usr/bin/env bash
# Configures a clang build with ASan and UBSan in the folder given (default
# build-fuzz), builds the fuzz targets and runs each for FUZZ_SECONDS (60).
# Inputs that crash land in that folder as crash-*; fix the fault, then keep
# the input in fuzz/regressions/<target>/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" "${generator[@]}" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="$flags" \
  -DORVANTA_BUILD_TESTS=OFF -DORVANTA_BUILD_BENCH=OFF -DORVANTA_BUILD_GUI=OFF
cmake --build "$build" -j "${JOBS:-2}" --target fuzz_profile fuzz_generator
mkdir -p "$build/artifacts"
status=0
for name in profile generator; do
  corpus="$root/fuzz/corpus-$name"
  mkdir -p "$corpus"
  dict=()
  [ -f "$root/fuzz/$name.dict" ] && dict=(-dict="$root/fuzz/$name.dict")
  inputs=("$corpus")
  for kept in "$root/fuzz/seeds/$name" "$root/fuzz/regressions/$name"; do
    [ -d "$kept" ] && inputs+=("$kept")
  done
  echo "== fuzz_$name for ${seconds}s"
  "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$name-" "${dict[@]}" "${inputs[@]}" || status=1
done
exit $status
