#!/bin/bash
# The Debian package as an administrator installs it: built with cpack, unpacked into a
# scratch root, its sollist run through firmen.ini in that root's etc/sollist (SOLLIST_ETC_DIR
# stands for /etc/sollist) against a demo database on the server; checks the package's
# dependency, its files, the run's output and exit status and the rows it stored.
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
         ./usr/share/doc/sollist/examples/systemd/sollist.service ./usr/share/doc/sollist/examples/cron/sollist; do
    grep -qx "$f" "$WORK/files" || fail "$f missing from the package"
done
ROOT=$WORK/root
dpkg -x "$DEB" "$ROOT"

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

# The scheduling examples, where systemd-analyze can check them (ExecStart pointed into the root).
if command -v systemd-analyze >/dev/null; then
    mkdir -p "$WORK/units"
    sed "s|/usr/bin/sollist|$ROOT/usr/bin/sollist|" "$SRC/contrib/systemd/sollist.service" >"$WORK/units/sollist.service"
    cp "$SRC/contrib/systemd/sollist.timer" "$WORK/units/"
    systemd-analyze verify "$WORK/units/sollist.service" "$WORK/units/sollist.timer" 2>"$WORK/verify" ||
        { cat "$WORK/verify" >&2; fail "systemd-analyze verify"; }
    grep -v 'Cannot add dependency job\|not found\|Failed to create\|Falling back\|Unit firebird3.0' "$WORK/verify" >&2 || true
fi
echo "package test passed: $ORDERS orders"
