#!/usr/bin/env bash
# Runs every benchmark program of a build folder once, offscreen.
set -euo pipefail
build=${1:-build}
export QT_QPA_PLATFORM=offscreen
for bench in BindingBench StartupBench ChartBench XYBench; do
    echo "== $bench"
    "$build/bin/$bench" --benchmark_min_time=0.2 2>&1 | grep -v -e '^QStandardPaths' -e 'propagateSizeHints'
done
