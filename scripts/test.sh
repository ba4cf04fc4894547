#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test under CTest:
# the native build, then the VST base again as 32-bit x86 code.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"

cmake -S . -B build-x86 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMO_VST_ONLY=ON \
    -DCMAKE_C_FLAGS=-m32 -DCMAKE_CXX_FLAGS=-m32
cmake --build build-x86 -j"$jobs"

status=0
echo "== tests (x86-64) =="
ctest --test-dir build --output-on-failure -j"$jobs" || status=1
echo "== tests (32-bit x86, VST base) =="
ctest --test-dir build-x86 --output-on-failure -j"$jobs" || status=1

# Benchmarks, briefly: they must run; their numbers are not checked.
echo "== benchmarks (smoke run) =="
for bench in build/bench/*_bench; do
    "$bench" --benchmark_min_time=0.005 --benchmark_counters_tabular=true || status=1
done
./build/tools/velmo-host bench build/wrapper/Velmo.so --seconds 1 --runs 1 || status=1
exit $status
