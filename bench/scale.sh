#!/bin/bash
# Runs the built sollist over a generated database and prints one result line:
#   orders, mode, seconds, orders/s, peak memory (MB), and seconds per 100 orders over the
#   first and the last tenth of the run (equal figures mean the time per order stays flat).
# Usage: bench/scale.sh [--jobs N] <sollist binary> <orders> embedded|server [seconds]
# --jobs N runs the program on N workers (sollist --jobs N); the line then names them.
# With seconds, a run still going then is stopped and the line reports the orders done so far
# (for a run too slow to wait for).
# The database is bench/gen.py's /var/lib/firebird/3.0/data/sollist/perf/o<orders>.fdb
# (generate it first), or the file SCALE_DB names; the program runs from a scratch directory
# with its own firmen.ini.
set -euo pipefail
JOBS=1; ARGS=()
if [[ ${1:-} == --jobs ]]; then JOBS=$2; ARGS=(--jobs "$2"); shift 2; fi
BIN=$(readlink -f "$1"); ORDERS=$2; MODE=$3; LIMIT=${4:-0}
DB=${SCALE_DB:-/var/lib/firebird/3.0/data/sollist/perf/o$ORDERS.fdb}
WORK=$(mktemp -d /tmp/sollist-scale.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
cp "$BIN" "$WORK/sollist"
SERVER=; [[ $MODE == server ]] && SERVER=localhost
printf '[CONNECTION1]\nText=scale\nDatenPfad=%s\nDataBase=%s\nServer=%s\n' "$WORK" "$DB" "$SERVER" >"$WORK/firmen.ini"
cd "$WORK"
# Line-buffered output, each line stamped with the seconds since the start as it arrives.
ISC_PASSWORD=${ISC_PASSWORD:-tarvex} XDG_CONFIG_HOME=$WORK/config TEMP=$WORK \
    /usr/bin/time -f '%e %M' -o "$WORK/time" timeout "$LIMIT" stdbuf -oL ./sollist "${ARGS[@]}" |
    perl -MTime::HiRes=time -ne 'BEGIN { $t0 = time } printf "%.3f %s", time - $t0, $_' >"$WORK/out" || true
STOPPED=0
if ! tail -1 "$WORK/out" | grep -q ' Fertig !$'; then
    [[ $LIMIT != 0 ]] && grep -q 'Command exited with non-zero status 124' "$WORK/time" ||
        { tail -3 "$WORK/out" >&2; exit 1; }
    STOPPED=1
fi
read -r SECONDS_ KB < <(tail -1 "$WORK/time")
awk -v o="$ORDERS" -v m="$MODE" -v j="$JOBS" -v s="$SECONDS_" -v kb="$KB" -v stopped="$STOPPED" '
    /Berechnung für Offert/ { at[++n] = $1 }
    END {
        printf "%d %s", o, m
        if (j != 1) printf " --jobs %d", j
        if (stopped) printf " (stopped after %d orders)", n
        printf " %.1f s %.1f orders/s %.0f MB", s, n / s, kb / 1024
        tenth = int(n / 10)
        if (tenth > 0)
            printf "; s per 100 orders: first tenth %.2f, last tenth %.2f",
                   (at[1 + tenth] - at[1]) * 100 / tenth, (at[n] - at[n - tenth]) * 100 / tenth
        printf "\n"
    }' "$WORK/out"
