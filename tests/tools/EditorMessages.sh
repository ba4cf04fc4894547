#!/usr/bin/env bash
# velmo-host editor on a display without a window manager (run under Xvfb):
# the plug-in's questions for window-manager properties give X errors that
# mean nothing, and the host does not print them.
#
#   EditorMessages.sh VELMO_HOST PLUGIN
set -euo pipefail
host=$1 plugin=$2

log=$(mktemp)
trap 'rm -f "$log"' EXIT
"$host" editor "$plugin" --play --seconds 3 >"$log" 2>&1 || { cat "$log"; echo "FAIL: velmo-host editor failed"; exit 1; }
grep -q '^editor open: window 0x' "$log" || { cat "$log"; echo "FAIL: no editor"; exit 1; }
grep -q '^editor closed' "$log" || { cat "$log"; echo "FAIL: the editor was not closed"; exit 1; }
if grep -q 'X error' "$log"; then
    cat "$log"
    echo "FAIL: X errors printed"
    exit 1
fi
echo PASS
