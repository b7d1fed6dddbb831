#!/usr/bin/env bash
# Builds and runs the import and export of 300,000 earnings rows through the text file, against
# SQLite importing the same file and writing the same rows as CSV in the same run.
# Extra arguments go to the benchmark program, e.g. --benchmark_repetitions=3.
exec bash "$(dirname "$0")/run_target.sh" transfer_bench "$@"
