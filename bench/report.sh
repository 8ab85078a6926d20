#!/bin/bash
# Writes the report of a database whose orders the batch has run over and prints one result
# line: orders, mode, seconds to write HTML and CSV (best of the runs), peak memory, file sizes;
# with "browser", also how long headless Chromium takes to show the page's first screen and to
# load it completely (browser_open.py).
# Usage: bench/report.sh <sollist-bericht binary> <database> embedded|server [runs] [browser]
# The database: bench/gen.py's, after a sollist run over it (bench/scale.sh does one).
# REPORT_OPTIONS adds options to the program's command line (REPORT_OPTIONS=--herkunft).
set -euo pipefail
HERE=$(dirname "$(readlink -f "$0")")
BIN=$(readlink -f "$1"); DB=$2; MODE=$3; RUNS=${4:-3}; BROWSER=${5:-}
WORK=$(mktemp -d /tmp/sollist-report-bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
cp "$BIN" "$WORK/sollist-bericht"
SERVER=; [[ $MODE == server ]] && SERVER=localhost
printf '[CONNECTION1]\nText=bench\nDataBase=%s\nServer=%s\n' "$DB" "$SERVER" >"$WORK/firmen.ini"
cd "$WORK"

best() { sort -n | head -1; }

for _ in $(seq "$RUNS"); do
    ISC_PASSWORD=${ISC_PASSWORD:-tarvex} XDG_CONFIG_HOME=$WORK/config \
        /usr/bin/time -f '%e %M' -o time ./sollist-bericht -o bericht.html --csv bericht.csv ${REPORT_OPTIONS:-} >out
    cat time >>times
done
SECONDS_=$(cut -d' ' -f1 times | best)
KB=$(cut -d' ' -f2 times | sort -n | tail -1)
ORDERS=$(grep -c '^Auftrag;' bericht.csv || true)
awk -v o="$ORDERS" -v m="$MODE" -v s="$SECONDS_" -v kb="$KB" -v h="$(stat -c %s bericht.html)" \
    -v c="$(stat -c %s bericht.csv)" 'BEGIN { printf "%d orders %s: %.2f s, %.0f MB peak; HTML %.1f MB, CSV %.1f MB",
                                              o, m, s, kb / 1024, h / 1048576, c / 1048576 }'

if [[ $BROWSER == browser ]]; then
    printf '; browser: %s' "$("$HERE/browser_open.py" --runs "$RUNS" bericht.html)"
fi
printf '\n'
