#!/usr/bin/env bash
# Builds the fuzz targets with clang in build/fuzz (the gcc builds stay untouched) and runs
# each for SECONDS (default 60). Findings are written to fuzz/crashes/<target>-crash-...;
# the exit status is 1 when any target found one. With LUMIRO_FUZZ_KEEP_GOING=1 a target
# goes on after a finding (libFuzzer's fork mode) and collects every one it meets.
#   bash fuzz/run_fuzz.sh [SECONDS]
#   bash fuzz/run_fuzz.sh corpus     regenerates the seed corpus in fuzz/corpus
# LUMIRO_FUZZ_TARGETS chooses the targets (default: table_files paradox_header import_file).
# Reproduce a finding: build/fuzz/fuzz/fuzz_table_files fuzz/crashes/<file>
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" clang libclang-rt-dev

BUILD_DIR=${LUMIRO_FUZZ_BUILD_DIR:-build/fuzz}
cmake -S . -B "$BUILD_DIR" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMIRO_SANITIZE=OFF -DLUMIRO_BUILD_TESTS=OFF \
      -DLUMIRO_BUILD_FUZZ=ON >/dev/null

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

if [ "${1:-}" = corpus ]; then
    cmake --build "$BUILD_DIR" --target fuzz_make_corpus -j"$(nproc)"
    rm -rf fuzz/corpus/table_files fuzz/corpus/paradox_header
    "$BUILD_DIR/fuzz/fuzz_make_corpus" fuzz/corpus
    exit 0
fi

SECONDS_EACH=${1:-60}
cmake --build "$BUILD_DIR" --target fuzz_table_files fuzz_paradox_header fuzz_import_file -j"$(nproc)"
mkdir -p fuzz/crashes
extra=()
if [ "${LUMIRO_FUZZ_KEEP_GOING:-0}" = 1 ]; then
    extra=(-fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1)
fi
status=0
for target in ${LUMIRO_FUZZ_TARGETS:-table_files paradox_header import_file}; do
    case $target in
        table_files) max_len=65536 ;;
        paradox_header) max_len=16384 ;;
        import_file) max_len=16384 ;;
    esac
    work=fuzz/work/$target
    mkdir -p "$work"
    echo "== fuzz_$target, $SECONDS_EACH s"
    if ! "$BUILD_DIR/fuzz/fuzz_$target" -max_total_time="$SECONDS_EACH" -timeout=10 \
            -rss_limit_mb=2048 -max_len=$max_len -print_final_stats=1 "${extra[@]}" \
            -artifact_prefix="fuzz/crashes/$target-" "$work" "fuzz/corpus/$target"; then
        echo "fuzz_$target found a problem; see fuzz/crashes/"
        status=1
    fi
done
exit $status
