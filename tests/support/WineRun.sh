#!/usr/bin/env bash
# wine-run.sh's exits: a program's crash ends it with the exception's code,
# without a debugger that waits for ever; wine itself dying of a signal, or
# not starting the program, gets the program run once more, and only once.
#
#   WineRun.sh WINE_RUN [CRASHING_PROGRAM.exe]
#
# The retry is checked with a stand-in for wine on the PATH; the crash, when
# a Windows program that takes an access violation is given, with wine.
set -euo pipefail
wine_run=$1 crashing=${2:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

# The stand-in: wine ends as $work/plan says for its Nth start (a signal to
# die of, NOSTART for what wine prints when it cannot start a program, or an
# exit code), counting starts in $work/starts. Its prefix is made and its
# server runs, so wine-run.sh starts nothing else.
mkdir -p "$work/bin" "$work/wine/headless"
touch "$work/wine/headless/.velmo-ready"
cat >"$work/bin/wine" <<STUB
#!/usr/bin/env bash
echo >>"$work/starts"
n=\$(wc -l <"$work/starts")
what=\$(sed -n "\${n}p" "$work/plan")
echo "start \$n"
case \$what in
    SEGV | ABRT) kill -\$what \$\$ ;;
    NOSTART)
        echo "ShellExecuteEx failed: Internal error."
        exit 1
        ;;
    *) exit \$what ;;
esac
STUB
printf '#!/bin/sh\nexit 0\n' >"$work/bin/wineserver"
chmod +x "$work/bin/wine" "$work/bin/wineserver"

# expect PLAN STATUS STARTS: with wine ending as PLAN says (one line per
# start), wine-run.sh ends with STATUS after STARTS starts, printing the last
# start's output.
expect() {
    printf '%s\n' $1 >"$work/plan"
    rm -f "$work/starts"
    status=0
    (unset DISPLAY && PATH="$work/bin:$PATH" VELMO_WINE_ROOT="$work/wine" \
        "$wine_run" program.exe | cat >"$work/out") 2>"$work/err" || status=$?
    [ "$status" = "$2" ] || fail "plan '$1': status $status, not $2"
    [ "$(wc -l <"$work/starts")" = "$3" ] || fail "plan '$1': $(wc -l <"$work/starts") starts, not $3"
    head -n1 "$work/out" | grep -qx "start $3" || fail "plan '$1': printed '$(cat "$work/out")'"
}
expect "0" 0 1
expect "5" 5 1
expect "SEGV 0" 0 2
expect "ABRT 3" 3 2
expect "SEGV SEGV 0" 139 2
grep -q 'wine died of signal 11; running program.exe once more' "$work/err" || fail "the retry is not reported"
expect "NOSTART 0" 0 2
grep -q 'wine could not start program.exe; trying once more' "$work/err" || fail "the second start is not reported"
expect "NOSTART NOSTART 0" 1 2
expect "1" 1 1

if [ -n "$crashing" ]; then
    status=0
    (unset DISPLAY && "$wine_run" "$crashing" | cat >"$work/out") 2>"$work/err" || status=$?
    [ "$status" = 5 ] || fail "an access violation ended with status $status, not 5"
fi
echo "wine-run.sh's exits are as expected"
