#!/usr/bin/env bash
# Builds and runs 20,000 RP7 cards and 300,000 ZAR rows out to the text file and back, against a plain copy.
# Extra arguments go to the benchmark program, e.g. --benchmark_repetitions=3.
exec bash "$(dirname "$0")/run_target.sh" transfer_bench "$@"
