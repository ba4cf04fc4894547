#!/usr/bin/env bash
# velmo-host render's progress line: on stderr when that is a terminal and
# the render takes more than a second, never in a file, and not with
# --no-progress.
#
#   ProgressOnTerminal.sh VELMO_HOST PLUGIN [RUNNER]
#
# RUNNER starts the host (wine-run.sh for a Windows build: wine gives the
# program a console on the terminal, and draws it with escape sequences).
set -euo pipefail
host=$1 plugin=$2 runner=${3:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

# What stood on the terminal: escape sequences and blanks out, one line per
# carriage return.
screen() {
    sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g' "$1" | tr '\r' '\n' | tr -d ' '
}

# Four minutes at 96 kHz take several seconds; the output goes nowhere.
ln -s /dev/null "$work/out.wav"
render="$runner $host render $plugin --seconds 240 --rate 96000 -p Punch=0.5 -o $work/out.wav"

# On a terminal (script gives the command one): the line comes, rewritten in place.
script -qfec "$render" /dev/null >"$work/terminal.log"
screen "$work/terminal.log" | grep -aq '^render:[0-9]*%[0-9:]*of4:00[0-9]*xrealtime' || fail "no progress line on a terminal"
screen "$work/terminal.log" | grep -aq '^outputlevels:' || fail "no levels"

script -qfec "$render --no-progress" /dev/null >"$work/quiet.log"
screen "$work/quiet.log" | grep -aq '^outputlevels:' || fail "no levels with --no-progress"
! screen "$work/quiet.log" | grep -aq 'render:' || fail "a progress line despite --no-progress"

$render >"$work/out.log" 2>"$work/err.log"
grep -q '^output levels:' "$work/out.log" || fail "no levels in a file"
[ ! -s "$work/err.log" ] || fail "stderr in a file is not empty: $(cat -A "$work/err.log" | head -c 300)"
echo PASS
