#!/bin/bash
# Builds sollist, creates a demo database as a local file (embedded access), points the
# program at it through firmen.ini and runs it. Run as root on Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$ROOT/build
DEMO=$BUILD/demo
DB=$DEMO/demo.fdb

build_program() {
    scripts/setup.sh
    cmake -B "$BUILD" -S "$ROOT"
    cmake --build "$BUILD" -j2 --target sollist
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

# What the run stored: target hours (with the surcharge) against the weighted actual hours,
# per order and reporting activity, then the totals on each order.
show_results() {
    echo
    echo "--- AufSStd: target and actual hours per order and reporting activity"
    isql-fb -q -user TARVEX "$DB" <<'SQL'
SELECT CAST(TRIM(ASOFNUMM) AS VARCHAR(8)) AS "Order",
       CAST(TRIM(ASRMTAT) AS VARCHAR(10)) AS "Activity",
       CAST(TRIM(ASKONUMM) AS VARCHAR(4)) AS "CC",
       CAST(ASSOLLSTD AS NUMERIC(9,2)) AS "Target h",
       CAST(ASISTSTD AS NUMERIC(9,2)) AS "Actual h",
       CAST(ASISTSTD - ASSOLLSTD AS NUMERIC(9,2)) AS "Actual-Target"
FROM AUFSSTD
ORDER BY ASOFNUMM, ASRMTAT;
SQL
    echo "--- Auftrag: totals per order (production, time-and-material and office hours are actual)"
    isql-fb -q -user TARVEX "$DB" <<'SQL'
SELECT CAST(TRIM(AOFNUMM) AS VARCHAR(8)) AS "Order",
       CAST(SUBSTRING(ABEZEICH FROM 1 FOR 26) AS VARCHAR(26)) AS "Description",
       CAST(CASE WHEN ASABGESCHL IS NULL THEN 'open'
                 WHEN ASABGESCHL > CURRENT_DATE - 60 THEN 'closed, in run'
                 ELSE 'closed, skipped' END AS VARCHAR(15)) AS "State",
       CAST(ASSOLLSTND AS NUMERIC(9,2)) AS "Target h",
       CAST(ASISTSTND AS NUMERIC(9,2)) AS "Prod h",
       CAST(ASREGSTND AS NUMERIC(9,2)) AS "T&M h",
       CAST(AOFFSTND AS NUMERIC(9,2)) AS "Office h",
       ASISTBIS AS "Last work",
       CAST(TRIM(ASKOLETZT) AS VARCHAR(4)) AS "CC"
FROM AUFTRAG
ORDER BY AOFNUMM;
SQL
    if [[ -s $DEMO/SollBerFehler.Txt ]]; then
        echo "--- Calculation error log ($DEMO/SollBerFehler.Txt)"
        cat "$DEMO/SollBerFehler.Txt"
    fi
}

build_program
create_database
write_settings
run_program
show_results
