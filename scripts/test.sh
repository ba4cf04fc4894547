#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test under CTest:
# the Linux build, the VST base again as 32-bit x86 code, and the two Windows
# builds under wine (their renders and editor compared with the Linux build's).
#
#   ./scripts/test.sh [--prune]
#
# --prune removes each stage's build tree once its tests have run (CI uses it:
# all the trees together take about 7 GB).
set -euo pipefail
cd "$(dirname "$0")/.."

prune_trees=false
case "${1:-}" in
    --prune) prune_trees=true ;;
    "") ;;
    *) echo "usage: $0 [--prune]" >&2; exit 2 ;;
esac
prune() { # tree...
    if $prune_trees; then
        echo "(pruned: $*)"
        rm -rf "$@"
    fi
}

./scripts/install-deps.sh --windows

jobs=$(nproc)

cmake --preset linux
cmake --build --preset linux -j"$jobs"

cmake --preset linux-x86-vst
cmake --build --preset linux-x86-vst -j"$jobs"

./scripts/build-windows.sh --all

status=0
# install-deps.sh has installed every program a test needs, so a test that
# CMake registered as skipped for a missing one (label missing-tool) fails
# the run instead of passing unseen.
no_missing_tools() { # the ctest arguments that name the build
    local skipped
    skipped=$(ctest "$@" -N -L '^missing-tool$' | grep -E '^ *Test +#' || true)
    if [ -n "$skipped" ]; then
        echo "FAIL: skipped for a missing program:"
        echo "$skipped"
        status=1
    fi
}
# A test that hangs fails after ten minutes (--timeout here, "timeout" in the
# test presets) instead of holding the run; the slowest take under a minute.
run_tests() { # title preset
    echo "== tests ($1) =="
    ctest --preset "$2" -j"$jobs" || status=1
    no_missing_tools --preset "$2"
}
run_tests "Linux x86-64" linux
run_tests "Linux 32-bit x86, VST base" linux-x86-vst
run_tests "Windows x86-64, under wine" windows-x64
run_tests "Windows 32-bit x86, under wine" windows-x86
if $prune_trees; then
    for prefix in build-wine/*/; do # each prefix's wineserver goes first
        WINEPREFIX="$PWD/$prefix" wineserver -k 2>/dev/null || true
    done
    prune build-win64 build-win32 build-wine
fi

# Benchmarks, briefly: they must run; their numbers are not checked.
echo "== benchmarks (smoke run) =="
for bench in build/bench/*_bench; do
    "$bench" --benchmark_min_time=0.005 --benchmark_counters_tabular=true || status=1
done
./build/tools/velmo-host bench build/wrapper/Velmo.so --seconds 1 --runs 1 || status=1

# ---- Sanitizers and fuzzing ------------------------------------------------
# Every test again with AddressSanitizer + UndefinedBehaviorSanitizer (clang;
# JUCE, the plug-in, the hosts and the tests all instrumented, the libFuzzer
# targets built alongside), the threading tests with ThreadSanitizer (gcc,
# whose shared runtime the plug-in can link), and each fuzzer for a minute on
# two cores while the rest goes on. Reports fail the run; what is let through
# is said in cmake/sanitizers/ and below.
sanitizer_runtime_ok="verify_asan_link_order=0" # the fuzzers' driver loads libstdc++ first
tsan_options="halt_on_error=1 second_deadlock_stack=1"
threads_tests='^(ProcessorThreads|PluginLifecycle|ValidationLifecycle|ValidationAutomation|ValidationEditor)'
stage_start=$SECONDS
other_jobs=$((jobs > 3 ? jobs - 2 : 1))

echo "== sanitized build (AddressSanitizer + UndefinedBehaviorSanitizer, fuzzers) =="
cmake --preset asan
cmake --build --preset asan -j"$jobs"

fuzz_dir="$(mktemp -d)"
declare -A fuzz_pid
for target in chunk dispatcher; do
    mkdir -p "$fuzz_dir/$target"
    ASAN_OPTIONS="$sanitizer_runtime_ok" UBSAN_OPTIONS=print_stacktrace=1 \
        "build-asan/fuzz/velmo_${target}_fuzzer" -max_total_time=60 -timeout=10 -detect_leaks=0 -print_final_stats=1 \
        -artifact_prefix="$fuzz_dir/$target-" "$fuzz_dir/$target" "fuzz/corpus/$target" \
        > "$fuzz_dir/$target.log" 2>&1 &
    fuzz_pid[$target]=$!
done
# (-detect_leaks=0: the wrapper keeps each chunk it hands out for two seconds,
# which libFuzzer's check after every input takes for a leak; the sanitized
# tests check for leaks when each program ends.)
echo "(sanitized build: $((SECONDS - stage_start)) s)"

# The sweeps over every float value check arithmetic, not memory, and take
# minutes when instrumented: they run in the ordinary stage only.
echo "== tests (AddressSanitizer + UndefinedBehaviorSanitizer) =="
ASAN_OPTIONS="$sanitizer_runtime_ok" UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure --timeout 600 -j"$other_jobs" -E 'ForEveryFloat($|/)' -LE exhaustive || status=1
no_missing_tools --test-dir build-asan
echo "(with the tests: $((SECONDS - stage_start)) s)"
prune build-asan/tests # the fuzzers still run from build-asan/fuzz

echo "== threading tests (ThreadSanitizer) =="
cmake --preset tsan
cmake --build --preset tsan -j"$other_jobs" --target processor_tests wrapper_plugin_tests wrapper_editor_tests \
    validation_tests validation_editor_tests
TSAN_OPTIONS="$tsan_options" ctest --test-dir build-tsan --output-on-failure --timeout 600 -j"$other_jobs" \
    -R "$threads_tests" || status=1
no_missing_tools --test-dir build-tsan -R "$threads_tests"
# The wrapper's editor tests, less the one that bounds memory growth, which
# ThreadSanitizer's own bookkeeping exceeds (ValidationEditor opens the editor
# while audio runs in its place).
TSAN_OPTIONS="$tsan_options" xvfb-run -a -s "-screen 0 1280x1024x24" \
    build-tsan/tests/wrapper/wrapper_editor_tests --gtest_filter='-*OpensAgainAndAgain*' || status=1
echo "(with the threading tests: $((SECONDS - stage_start)) s)"

echo "== fuzzing (a minute each) =="
for target in chunk dispatcher; do
    if wait "${fuzz_pid[$target]}"; then
        echo "fuzz $target: $(grep -E '^Done' "$fuzz_dir/$target.log")"
    else
        echo "fuzz $target: FAILED (input kept in $fuzz_dir)"
        tail -n 60 "$fuzz_dir/$target.log"
        status=1
    fi
done
echo "sanitizer and fuzzing stages: $((SECONDS - stage_start)) s"
# ---------------------------------------------------------------------------

exit $status
