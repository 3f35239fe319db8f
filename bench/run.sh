#!/bin/sh
# Runs the benchmark built in BUILD_DIR and keeps its output in BUILD_DIR/bench-results.md.
# Quick run: BENCH_SIZES=20000,200000 make bench. More knobs: tuneprune_bench without arguments.
set -eu

build=${1:?usage: bench/run.sh BUILD_DIR}
bench="$build/bench/tuneprune_bench"
results="$build/bench-results.md"
data=${BENCH_DATA:-/work/bench-data}
mkdir -p "$data"

export QT_QPA_PLATFORM=offscreen
export BENCH_DATA="$data"

{
    echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "Machine: $(nproc) CPUs, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)," \
         "$(awk '/MemTotal/ { printf "%.0f GB RAM", $2 / 1048576 }' /proc/meminfo)," \
         "file system of /work: $(df -T /work | awk 'NR == 2 { print $2 }')" \
         "(data in $data: $(df -T "$data" | awk 'NR == 2 { print $2 }'))"
    echo "Tools: $(find --version | head -n 1), $(grep --version | head -n 1), Qt $(qtpaths6 --qt-version 2>/dev/null || echo 6)"
    echo
} | tee "$results"

"$bench" run | tee -a "$results"
echo "(kept in $results)"
