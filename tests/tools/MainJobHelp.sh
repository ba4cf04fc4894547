#!/usr/bin/env bash
# The main job's help: printed at once (nothing built or installed), with
# every option that velmo-host render takes, and an example.
#
#   MainJobHelp.sh RUN_SH VELMO_HOST
set -euo pipefail
run=$1 host=$2

help=$("$run" --help)
status=0
grep -q '^usage: ./scripts/run.sh \[INPUT\] \[options\]' <<<"$help" || { echo "FAIL: no usage line"; status=1; }
grep -q '^  ./scripts/run.sh song.wav -p ' <<<"$help" || { echo "FAIL: no example"; status=1; }
options=$("$host" render --help | sed -n 's/^  \(-., \)\{0,1\} *\(--[a-z-]*\).*/\2/p')
[ -n "$options" ] || { echo "FAIL: no options in velmo-host render --help"; exit 1; }
for option in $options; do
    grep -q -- " $option" <<<"$help" || { echo "FAIL: run.sh --help does not list $option"; status=1; }
done
[ "$status" = 0 ] && echo "PASS ($(wc -w <<<"$options") options)"
exit "$status"
