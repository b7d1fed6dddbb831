#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the whole test suite. Each step's time is
# printed at the end (the README's figures come from these lines).
set -euo pipefail
cd "$(dirname "$0")/.."
times=()
step() { times+=("$1: $(( SECONDS - start )) s"); start=$SECONDS; }
start=$SECONDS
source scripts/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
step packages

BUILD_DIR=${LUMIRO_TEST_BUILD_DIR:-build/test}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMIRO_SANITIZE=ON \
      -DLUMIRO_BUILD_TESTS=ON >/dev/null
step configure
cmake --build "$BUILD_DIR" -j"$(nproc)"
step build
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# The test programs keep their files in folders of their own and their CUPS servers on
# sockets of their own, so they run side by side.
(cd "$BUILD_DIR" && ctest --output-on-failure --timeout 1800 -j"$(nproc)")
step tests
printf '%s\n' "${times[@]}"
