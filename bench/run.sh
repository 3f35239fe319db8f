#!/bin/bash
# Runs the benchmark built in BUILD_DIR; its lines also go to BUILD_DIR/bench-results.txt.
# Knobs: BENCH_DATA (BUILD_DIR/bench-data) and those that tuneprune_bench lists without arguments.
set -euo pipefail

build=${1:?usage: bench/run.sh BUILD_DIR}
export BENCH_DATA=${BENCH_DATA:-$build/bench-data} XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$build/bench-runtime}
mkdir -p "$BENCH_DATA" && mkdir -p -m 700 "$XDG_RUNTIME_DIR"
# Debian names it fdfind; another program may be installed as fd.
for fd in fdfind fd; do
    case $($fd --version 2>/dev/null) in "fd "[0-9]* | "fdfind "[0-9]*) export BENCH_FD=$fd && break ;; esac
done
{
    echo "# date $(date -u '+%Y-%m-%dT%H:%MZ') cpus=$(nproc) fs=$(df -T "$BENCH_DATA" | awk 'NR == 2 { print $2 }')" \
         "cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1 | tr ' ' _)"
    "$build/bench/tuneprune_bench" run
} | tee "$build/bench-results.txt"
