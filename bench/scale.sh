#!/bin/bash
# Runs the built sollist over a generated database and prints one result line:
#   orders, mode, seconds, orders/s, peak memory (MB).
# Usage: bench/scale.sh <sollist binary> <orders> embedded|server
# The database is bench/gen.py's /var/lib/firebird/3.0/data/sollist/perf/o<orders>.fdb
# (generate it first); the program runs from a scratch directory with its own firmen.ini.
set -euo pipefail
BIN=$(readlink -f "$1"); ORDERS=$2; MODE=$3
DB=/var/lib/firebird/3.0/data/sollist/perf/o$ORDERS.fdb
WORK=$(mktemp -d /tmp/sollist-scale.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
cp "$BIN" "$WORK/sollist"
SERVER=; [[ $MODE == server ]] && SERVER=localhost
printf '[CONNECTION1]\nText=scale\nDatenPfad=%s\nDataBase=%s\nServer=%s\n' "$WORK" "$DB" "$SERVER" >"$WORK/firmen.ini"
cd "$WORK"
ISC_PASSWORD=${ISC_PASSWORD:-tarvex} XDG_CONFIG_HOME=$WORK/config TEMP=$WORK \
    /usr/bin/time -f '%e %M' -o "$WORK/time" ./sollist >"$WORK/out"
tail -1 "$WORK/out" | grep -q '^Fertig !' || { tail -3 "$WORK/out" >&2; exit 1; }
read -r SECONDS_ KB <"$WORK/time"
awk -v o="$ORDERS" -v m="$MODE" -v s="$SECONDS_" -v kb="$KB" \
    'BEGIN { printf "%d %s %.1f s %.1f orders/s %.0f MB\n", o, m, s, o / s, kb / 1024 }'
