#!/usr/bin/env bash
# Builds and runs the report engine's benchmark: an Rp-7-shaped document of 2,000 pages to PDF.
# Extra arguments go to the benchmark program, e.g. --benchmark_repetitions=3.
exec bash "$(dirname "$0")/run_target.sh" reports_bench "$@"
