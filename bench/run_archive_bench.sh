#!/usr/bin/env bash
# Builds and runs the archive of 20,000 employees and 300,000 earnings rows against cp -r and sync.
# Extra arguments go to the benchmark program, e.g. --benchmark_repetitions=3.
exec bash "$(dirname "$0")/run_target.sh" archive_bench "$@"
