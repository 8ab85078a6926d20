#!/bin/bash
# Runs the built sollist over one database with --jobs 1, 2 and 4 (or the counts given) and
# checks that every run prints, logs and stores the same, byte for byte: the console output,
# the error log SollBerFehler.Txt with its dates and times blanked, and the AufSStd rows and
# Auftrag totals (bench/stored_figures, doubles to the last bit). One line per run: its exit
# status, seconds, and a checksum of each of the three; the last line says whether they agree.
# Usage: bench/jobs_check.sh <build dir> <database> embedded|server|<host/port> [jobs]...
set -euo pipefail
BUILD=$(readlink -f "$1"); DB=$2; MODE=$3; shift 3
JOBS=("$@"); [[ ${#JOBS[@]} -gt 0 ]] || JOBS=(1 2 4)
case $MODE in embedded) SERVER= ;; server) SERVER=localhost ;; *) SERVER=$MODE ;; esac
export ISC_PASSWORD=${ISC_PASSWORD:-tarvex}
WORK=$(mktemp -d /tmp/sollist-jobs.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
cp "$BUILD/sollist" "$WORK/sollist"
printf '[CONNECTION1]\nText=jobs\nDatenPfad=%s\nDataBase=%s\nServer=%s\n' "$WORK" "$DB" "$SERVER" >"$WORK/firmen.ini"
first=
for jobs in "${JOBS[@]}"; do
    rm -f "$WORK/SollBerFehler.Txt"
    start=$(date +%s.%N)
    status=0
    (cd "$WORK" && XDG_CONFIG_HOME=$WORK/config TEMP=$WORK ./sollist --jobs "$jobs" >"$WORK/out") || status=$?
    seconds=$(echo "$(date +%s.%N) - $start" | bc)
    touch "$WORK/SollBerFehler.Txt"
    sums="$(sha256sum <"$WORK/out" | cut -c1-16) $(sed -E 's/^[0-9]{2}\.[0-9]{2}\.[0-9]{4} [0-9]{2}:[0-9]{2} /dd.mm.yyyy hh:mm /' \
        "$WORK/SollBerFehler.Txt" | sha256sum | cut -c1-16) $("$BUILD/bench/stored_figures" "$DB" $SERVER | sha256sum | cut -c1-16)"
    printf -- '--jobs %s: status %s, %.1f s, %d orders; output, log, stored: %s\n' "$jobs" "$status" "$seconds" \
        "$(grep -c '^Berechnung für Offert' "$WORK/out" || true)" "$sums"
    [[ -z $first ]] && first="$status $sums"
    [[ "$status $sums" == "$first" ]] || { echo "DIFFERENT from --jobs ${JOBS[0]}"; exit 1; }
done
echo "all runs the same"
