#!/bin/bash
# Builds sollist, creates a demo database as a local file (embedded access), points the
# program at it through firmen.ini, runs it and writes the report of what it stored
# (sollist-bericht). Run as root on Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$ROOT/build
DEMO=$BUILD/demo
DB=$DEMO/demo.fdb

build_program() {
    scripts/setup.sh
    cmake -B "$BUILD" -S "$ROOT"
    cmake --build "$BUILD" -j2 --target sollist sollist-bericht
}

create_database() {
    mkdir -p "$DEMO"
    rm -f "$DB"
    echo "create database '$DB' user 'TARVEX' default character set UTF8;" | isql-fb -q
    isql-fb -q -bail -user TARVEX -i sql/schema.sql "$DB"
    if [[ -f sql/demo.sql ]]; then
        isql-fb -q -bail -user TARVEX -i sql/demo.sql "$DB"
    fi
}

# The program reads firmen.ini from its own directory; connection 1, embedded (empty Server).
write_settings() {
    cat >"$BUILD/firmen.ini" <<INI
[CONNECTION1]
Text=Demo-Schreinerei
DatenPfad=$DEMO
DataBase=$DB
Server=
INI
}

# A private config folder, so a ConnectionNr stored for the user does not redirect the demo.
run_program() {
    echo "--- sollist"
    XDG_CONFIG_HOME="$DEMO/config" TEMP="$DEMO" "$BUILD/sollist"
}

# What the run stored, as the report a workshop manager opens in a browser: target against
# actual hours per order and reporting activity, and the same figures as CSV.
write_report() {
    echo
    echo "--- sollist-bericht"
    XDG_CONFIG_HOME="$DEMO/config" "$BUILD/sollist-bericht" -o "$DEMO/sollist-bericht.html" \
        --csv "$DEMO/sollist-bericht.csv"
    if [[ -s $DEMO/SollBerFehler.Txt ]]; then
        echo "--- Calculation error log ($DEMO/SollBerFehler.Txt)"
        cat "$DEMO/SollBerFehler.Txt"
    fi
    echo
    echo "Report: $DEMO/sollist-bericht.html (open file://$DEMO/sollist-bericht.html in a browser)"
}

build_program
create_database
write_settings
run_program
write_report
