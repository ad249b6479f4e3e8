#!/usr/bin/env bash
# Runs the tests under sanitizers, each in a build folder of its own:
#   scripts/sanitize.sh asan   AddressSanitizer + UndefinedBehaviorSanitizer, whole suite
#   scripts/sanitize.sh tsan   ThreadSanitizer over the threaded parts (label "threads")
# A report fails the test that caused it. JOBS (2) caps the build and ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:?usage: sanitize.sh asan|tsan}
jobs=${JOBS:-2}
case $kind in
  asan) sanitizers="address;undefined"; select=(); targets=() ;;
  tsan)
    sanitizers="thread"; select=(-L '^threads$')
    targets=(--target ini_tests ini_stress_helper uihelp_tests) ;;
  *) echo "sanitize.sh: unknown kind '$kind' (asan or tsan)" >&2; exit 2 ;;
esac
build=${BUILD:-$root/build-$kind}
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
fi
cmake -S "$root" -B "$build" "${generator[@]}" "${launcher[@]}" -DCMAKE_BUILD_TYPE=Debug \
  -DORVANTA_SANITIZE="$sanitizers" -DORVANTA_WERROR=ON -DORVANTA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs" "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
supp=$root/scripts/sanitizers
# The engine's own code frees with a size its allocation did not have.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:new_delete_type_mismatch=0
export LSAN_OPTIONS=suppressions=$supp/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=$supp/ubsan.supp
export TSAN_OPTIONS=suppressions=$supp/tsan.supp:halt_on_error=1:second_deadlock_stack=1
cd "$build"
ctest -j "$jobs" --output-on-failure "${select[@]}"
