#!/usr/bin/env bash
# Builds and runs the Rp-7 of 1,000 employees through the program's forms against a bare QPdfWriter.
# Extra arguments go to the benchmark program, e.g. --benchmark_repetitions=3.
exec bash "$(dirname "$0")/run_target.sh" printouts_bench "$@"
