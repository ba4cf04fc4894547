#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test under CTest:
# the Linux build, the VST base again as 32-bit x86 code, and the two Windows
# builds under wine (their renders and editor compared with the Linux build's).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh --windows

jobs=$(nproc)

cmake --preset linux
cmake --build --preset linux -j"$jobs"

cmake --preset linux-x86-vst
cmake --build --preset linux-x86-vst -j"$jobs"

./scripts/build-windows.sh --all

status=0
run_tests() { # title preset
    echo "== tests ($1) =="
    ctest --preset "$2" -j"$jobs" || status=1
}
run_tests "Linux x86-64" linux
run_tests "Linux 32-bit x86, VST base" linux-x86-vst
run_tests "Windows x86-64, under wine" windows-x64
run_tests "Windows 32-bit x86, under wine" windows-x86

# Benchmarks, briefly: they must run; their numbers are not checked.
echo "== benchmarks (smoke run) =="
for bench in build/bench/*_bench; do
    "$bench" --benchmark_min_time=0.005 --benchmark_counters_tabular=true || status=1
done
./build/tools/velmo-host bench build/wrapper/Velmo.so --seconds 1 --runs 1 || status=1
exit $status
