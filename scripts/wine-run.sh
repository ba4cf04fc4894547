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
# No Mono or Gecko installers: nothing here needs .NET or HTML.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

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
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
status=0
wine "$@" </dev/null >"$out" 2>"$err" || status=$?
cat "$out"
cat "$err" >&2
exit $status
