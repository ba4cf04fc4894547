#!/usr/bin/env bash
# Runs a Windows program under wine: CTest's emulator for the Windows builds,
# and the scripts' way of starting the Windows test host.
#
#   scripts/wine-run.sh PROGRAM.exe [ARGS...]
#
# Two wine prefixes live under build-wine/ and are made on first use: one with
# wine's null display driver for programs that open no window (JUCE still needs
# a display driver for its hidden message window, or closing a plug-in hangs),
# and one with the X11 driver, used when DISPLAY is set (editor tests run
# under Xvfb). A persistent wineserver per prefix keeps each start quick.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

if [ -n "${DISPLAY:-}" ]; then kind=x11; else kind=headless; fi
export WINEPREFIX="${VELMO_WINE_ROOT:-$root/build-wine}/$kind"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installers: nothing here needs .NET or HTML. No debugger on
# a crash either: winedbg --auto waits for ever with no terminal, so a crashing
# program would hang its test; without it the program ends with the
# exception's code (5 for an access violation).
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}"

# Under a lock: make the prefix, then start its server and wine's own services
# with their standard streams on /dev/null.
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ ! -f "$WINEPREFIX/.velmo-ready" ]; then
    wineboot -i </dev/null >/dev/null 2>&1 9>&-
    if [ "$kind" = headless ]; then
        wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1 9>&-
    fi
    wineserver -w 9>&-
    touch "$WINEPREFIX/.velmo-ready"
fi
if ! wineserver -k0 2>/dev/null; then
    setsid wineserver -p </dev/null >/dev/null 2>&1 9>&- || true
    wineboot </dev/null >/dev/null 2>&1 9>&-
fi
flock -u 9
exec 9>&-

# What wine starts for a program (its desktop process, services) inherits the
# program's standard streams and outlives it, and a reader of a pipe (CTest
# above all) waits until every holder of it has gone; so output bound for a
# pipe goes into files that are copied out when the program ends.
if [ ! -p /dev/stdout ] && [ ! -p /dev/stderr ]; then
    exec wine "$@"
fi
#
# Two ends of a run are wine's faults, not the program's, and such a run is
# made once more (once only):
# - wine dying of a signal: a program's own crash ends it with the exception's
#   code, below 128. 32-bit wine 8 now and then takes a segmentation fault in
#   its own signal handler when a process ends while another of its threads
#   waits in the server (GoogleTest's thread-exit watchers do).
# - wine not starting the program at all: then its fallback, start.exe, says
#   "ShellExecuteEx failed" and ends with 1. Seen once in a CI run, on a
#   program that ran a moment before and after.
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2; do
    status=0
    wine "$@" </dev/null >"$out" 2>"$err" || status=$?
    if [ "$attempt" = 2 ]; then break; fi
    if [ "$status" -gt 128 ]; then
        echo "wine-run.sh: wine died of signal $((status - 128)); running $1 once more" >&2
    elif [ "$status" = 1 ] && grep -q '^ShellExecuteEx failed' "$out" "$err"; then
        echo "wine-run.sh: wine could not start $1; trying once more" >&2
    else
        break
    fi
done
cat "$out"
cat "$err" >&2
exit $status
