#!/bin/bash
# How long a run on many workers takes to end after SIGTERM: starts the built sollist with
# --jobs N (64 unless given) over a database through a server, sends SIGTERM once it has printed
# 10 progress lines (every worker attached and at work by then), and prints the exit status and
# the seconds from the signal to the end. Run it a few times; it changes the database like a
# stopped run (the orders before the stop stored).
# Usage: bench/stop_jobs.sh <build dir> <database> [host[/port]] [jobs]
set -euo pipefail
BUILD=$(readlink -f "$1"); DB=$2; SERVER=${3:-localhost}; JOBS=${4:-64}
export ISC_PASSWORD=${ISC_PASSWORD:-tarvex}
WORK=$(mktemp -d /tmp/sollist-stop.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
cp "$BUILD/sollist" "$WORK/sollist"
printf '[CONNECTION1]\nDataBase=%s\nServer=%s\n' "$DB" "$SERVER" >"$WORK/firmen.ini"
mkfifo "$WORK/out"
(cd "$WORK" && XDG_CONFIG_HOME=$WORK/config TEMP=$WORK exec ./sollist --jobs "$JOBS" >"$WORK/out") &
pid=$!
lines=0
while IFS= read -r line; do
    [[ $line == Berechnung* ]] && lines=$((lines + 1))
    if [[ $lines -eq 10 ]]; then
        start=$(date +%s.%N)
        kill -TERM "$pid"
        lines=11
    fi
    last=$line
done <"$WORK/out"
status=0
wait "$pid" || status=$?
[[ -n ${start:-} ]] || { echo "the run ended before its 10th order"; exit 1; }
printf -- '--jobs %s: status %s, %.2f s from SIGTERM to the end\n%s\n' "$JOBS" "$status" \
    "$(echo "$(date +%s.%N) - $start" | bc)" "$last"
