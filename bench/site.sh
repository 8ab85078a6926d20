#!/bin/bash
# Writes the report as a site (sollist-bericht --ordner) of a database whose orders the batch
# has run over and prints one result line: orders, mode, seconds to write the whole site (every
# order's page with its explanation, the overview, the CSV; best of the runs), peak memory, the
# site's size, the overview's size, the largest order page; with "browser", how long headless
# Chromium takes to show the overview (browser_open.py).
# Usage: bench/site.sh <sollist-bericht binary> <database> embedded|server [runs] [browser]
# The database: bench/gen.py's, after a sollist run over it (bench/scale.sh does one).
# REPORT_OPTIONS adds options to the program's command line (REPORT_OPTIONS=--herkunft).
set -euo pipefail
HERE=$(dirname "$(readlink -f "$0")")
BIN=$(readlink -f "$1"); DB=$2; MODE=$3; RUNS=${4:-3}; BROWSER=${5:-}
WORK=$(mktemp -d /tmp/sollist-site-bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
cp "$BIN" "$WORK/sollist-bericht"
SERVER=; [[ $MODE == server ]] && SERVER=localhost
printf '[CONNECTION1]\nText=bench\nDataBase=%s\nServer=%s\n' "$DB" "$SERVER" >"$WORK/firmen.ini"
cd "$WORK"

for _ in $(seq "$RUNS"); do
    ISC_PASSWORD=${ISC_PASSWORD:-tarvex} XDG_CONFIG_HOME=$WORK/config TEMP=$WORK \
        /usr/bin/time -f '%e %M' -o time ./sollist-bericht --ordner bericht ${REPORT_OPTIONS:-} >out
    cat time >>times
done
SECONDS_=$(cut -d' ' -f1 times | sort -n | head -1)
KB=$(cut -d' ' -f2 times | sort -n | tail -1)
SITE=bericht/current/
PAGES=$(find -L "$SITE/auftrag" -name '*.html' | wc -l)
TOTAL=$(du -sbL "$SITE" | cut -f1)
INDEX=$(stat -c %s "$SITE/index.html")
LARGEST=$(find -L "$SITE/auftrag" -name '*.html' -printf '%s %f\n' | sort -n | tail -1)
awk -v p="$PAGES" -v m="$MODE" -v s="$SECONDS_" -v kb="$KB" -v t="$TOTAL" -v i="$INDEX" -v l="$LARGEST" \
    'BEGIN { split(l, big, " ")
             printf "%d order pages %s: %.2f s, %.0f MB peak; site %.1f MB, overview %.2f MB, largest page %.0f KB (%s)",
                    p, m, s, kb / 1024, t / 1048576, i / 1048576, big[1] / 1024, big[2] }'
if [[ $BROWSER == browser ]]; then
    printf '; overview in the browser: %s' "$("$HERE/browser_open.py" --runs "$RUNS" "$SITE/index.html")"
fi
printf '\n'
