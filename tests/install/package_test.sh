#!/bin/bash
# The Debian package as an administrator installs it: built with cpack, unpacked into a
# scratch root, its sollist run through firmen.ini in that root's etc/sollist (SOLLIST_ETC_DIR
# stands for /etc/sollist) against a demo database on the server; checks the package's
# dependency, its files, the run's output and exit status and the rows it stored, and the
# nightly helper of the scheduling examples: the report and its CSV written after a finished
# run (also one with orders skipped), none after a run that stopped.
# Usage: package_test.sh <build dir> <source dir>
set -euo pipefail
BUILD=$(readlink -f "$1"); SRC=$(readlink -f "$2")
WORK=$(mktemp -d /tmp/sollist-package.XXXXXX)
DB=/var/lib/firebird/3.0/data/sollist/package-test-$$.fdb
PASSWORD=${ISC_PASSWORD:-tarvex}
isql() { isql-fb -q -bail -user TARVEX -password "$PASSWORD" "$@"; }
cleanup() {
    echo 'drop database;' | isql "localhost:$DB" >/dev/null 2>&1 || true
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$WORK/pkg" >"$WORK/cpack.log" 2>&1 ||
    { cat "$WORK/cpack.log" >&2; fail "cpack"; }
DEB=$(ls "$WORK"/pkg/sollist_*.deb)
dpkg-deb -f "$DEB" Depends | grep -qw libfbclient2 || fail "no dependency on libfbclient2: $(dpkg-deb -f "$DEB" Depends)"
dpkg-deb -c "$DEB" | awk '{print $6}' >"$WORK/files"
for f in ./usr/bin/sollist ./usr/bin/sollist-formel ./usr/bin/sollist-bericht \
         ./usr/share/doc/sollist/firmen.ini ./usr/share/doc/sollist/OPERATIONS.md \
         ./usr/share/doc/sollist/examples/systemd/sollist.service ./usr/share/doc/sollist/examples/cron/sollist \
         ./usr/lib/sollist/nachtlauf; do
    grep -qx "$f" "$WORK/files" || fail "$f missing from the package"
done
ROOT=$WORK/root
dpkg -x "$DEB" "$ROOT"
# The guide as installed names only files the package holds, and no file of the source tree.
GUIDE=$ROOT/usr/share/doc/sollist/OPERATIONS.md
for f in $(grep -o '/usr/\(share/doc/sollist\|lib/sollist\|bin\)/[A-Za-z0-9._/-]*' "$GUIDE" | sort -u); do
    ls -d "$ROOT${f%.}"* >/dev/null 2>&1 || fail "the guide names $f, which the package lacks"
done
! grep -n '](\.\./\|bench/\|docs/\|scripts/' "$GUIDE" || fail "the guide names files of the source tree"

echo "create database 'localhost:$DB' user 'TARVEX' password '$PASSWORD' default character set UTF8;" | isql-fb -q
isql -i "$SRC/sql/schema.sql" "localhost:$DB"
isql -i "$SRC/sql/demo.sql" "localhost:$DB"
mkdir -p "$ROOT/etc/sollist"
sed -e "s|^DataBase=.*|DataBase=$DB|" -e 's|^Server=.*|Server=localhost|' \
    "$ROOT/usr/share/doc/sollist/firmen.ini" >"$ROOT/etc/sollist/firmen.ini"

set +e
(cd "$WORK" && env -u HOME -u XDG_CONFIG_HOME SOLLIST_ETC_DIR="$ROOT/etc/sollist" TEMP="$WORK" \
    ISC_PASSWORD="$PASSWORD" "$ROOT/usr/bin/sollist" >"$WORK/out")
STATUS=$?
set -e
cat "$WORK/out"
[[ $STATUS == 0 ]] || fail "exit status $STATUS"
head -1 "$WORK/out" | grep -qx 'Verbindung zur Datenbank wird aufgebaut!' || fail "first line"
tail -1 "$WORK/out" | grep -qx 'Fertig !' || fail "last line"
ORDERS=$(grep -c '^Berechnung für Offert ' "$WORK/out")
STORED=$(echo "select count(distinct asofnumm) from aufsstd;" | isql "localhost:$DB" | awk 'NF{v=$1} END{print v}')
[[ $ORDERS -gt 0 && $STORED == "$ORDERS" ]] || fail "$ORDERS orders run, AufSStd rows of $STORED"
[[ $(echo "2*3" | "$ROOT/usr/bin/sollist-formel") == 6 ]] ||
    fail "sollist-formel"

# The nightly helper as the scheduling examples call it: the run, then the report as a site in
# the report folder. The examples name it and the folder /var/lib/sollist.
nightly() { # <usr tree> <report folder> [option]...: the helper's exit status
    set +e
    (cd "$WORK" && env -u HOME -u XDG_CONFIG_HOME SOLLIST_ETC_DIR="$ROOT/etc/sollist" TEMP="$WORK" \
        ISC_PASSWORD="$PASSWORD" "$1/lib/sollist/nachtlauf" "$2" "${@:3}" >"$WORK/nightly.out" 2>&1)
    local status=$?
    set -e
    return $status
}
mkdir -p "$WORK/bericht"
nightly "$ROOT/usr" "$WORK/bericht" || fail "nachtlauf: exit status $?: $(cat "$WORK/nightly.out")"
tail -1 "$WORK/nightly.out" | grep -qx "Website: $WORK/bericht/current/index.html" || fail "nachtlauf: $(cat "$WORK/nightly.out")"
grep -q 'current/index.html' "$WORK/bericht/index.html" || fail "the folder's index.html does not lead to the site"
grep -lq '<svg class="verlauf"' "$WORK"/bericht/current/auftrag/*.html || fail "no course chart on the order pages"
grep -q '<details class="hk"' "$WORK"/bericht/current/auftrag/*.html || fail "no explanation on the order pages"
grep -q '^Buchungstag;' "$WORK/bericht/current/sollist-bericht.csv" || fail "no Buchungstag rows in the CSV"
[[ $(stat -c %a "$WORK/bericht/current/index.html") == 644 ]] || fail "report not readable by others"
# A run that finished with orders skipped (status 3) gets its report; one that stopped
# (status 2) leaves the last one. The run stands in as a script with that status, which notes
# the options it was given: the report's go to the report, the rest to the run.
STUB=$WORK/stub/usr
mkdir -p "$STUB/bin" "$STUB/lib/sollist"
cp "$ROOT/usr/lib/sollist/nachtlauf" "$STUB/lib/sollist/"
ln -s "$ROOT/usr/bin/sollist-bericht" "$STUB/bin/sollist-bericht"
for status in 3 2; do
    printf '#!/bin/sh\necho "$*" >"%s/run-options"\necho "Fertig !"\nexit %s\n' "$WORK" "$status" >"$STUB/bin/sollist"
    chmod +x "$STUB/bin/sollist"
    rm -rf "$WORK/bericht$status" && mkdir "$WORK/bericht$status"
    nightly "$STUB" "$WORK/bericht$status" --herkunft --jobs 2 && got=0 || got=$?
    [[ $got == "$status" ]] || fail "nachtlauf after a run with status $status: exit status $got"
    [[ $(cat "$WORK/run-options") == "--jobs 2" ]] || fail "the run was given '$(cat "$WORK/run-options")'"
    written=$(ls "$WORK/bericht$status" | { grep -v '^bericht-' || true; } | tr '\n' ' ')
    if [[ $status == 3 ]]; then
        [[ $written == "current index.html " ]] || fail "status 3: report folder holds '$written'"
        grep -q '^Herkunft;' "$WORK/bericht$status/current/sollist-bericht.csv" || fail "--herkunft not given to the report"
    else
        [[ -z $written ]] || fail "status 2: report folder holds '$written'"
    fi
done
grep -q '^ExecStart=.*/usr/lib/sollist/nachtlauf "\$\$STATE_DIRECTORY"' "$SRC/contrib/systemd/sollist.service" &&
    grep -qx 'StateDirectory=sollist' "$SRC/contrib/systemd/sollist.service" ||
    fail "sollist.service does not write the report into /var/lib/sollist"
grep -q '/usr/lib/sollist/nachtlauf /var/lib/sollist ' "$SRC/contrib/cron/sollist" ||
    fail "the cron line does not write the report into /var/lib/sollist"

# The scheduling examples, where systemd-analyze can check them (ExecStart pointed into the root).
if command -v systemd-analyze >/dev/null; then
    mkdir -p "$WORK/units"
    sed "s|/usr/lib/sollist/nachtlauf|$ROOT/usr/lib/sollist/nachtlauf|" "$SRC/contrib/systemd/sollist.service" >"$WORK/units/sollist.service"
    cp "$SRC/contrib/systemd/sollist.timer" "$WORK/units/"
    systemd-analyze verify "$WORK/units/sollist.service" "$WORK/units/sollist.timer" 2>"$WORK/verify" ||
        { cat "$WORK/verify" >&2; fail "systemd-analyze verify"; }
    grep -v 'Cannot add dependency job\|not found\|Failed to create\|Falling back\|Unit firebird3.0' "$WORK/verify" >&2 || true
fi
echo "package test passed: $ORDERS orders"
