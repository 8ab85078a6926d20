#!/bin/bash
# Installs everything sollist needs on a Debian 12 machine (run as root) and makes sure a
# Firebird 3 server listens on 127.0.0.1:3050 with the user TARVEX. Safe to run again:
# with everything in place it changes nothing; with the server stopped it starts it.
set -euo pipefail

SYSDBA_PASSWORD="${SYSDBA_PASSWORD:-masterkey}"
TARVEX_PASSWORD="${TARVEX_PASSWORD:-tarvex}"
FB_CONF=/etc/firebird/3.0/firebird.conf
PIDFILE=/run/firebird3.0/server.pid

packages=(firebird3.0-server firebird3.0-server-core firebird3.0-utils libfbclient2 firebird-dev
          cmake g++ make clang libclang-rt-14-dev clang-tidy clang-format googletest libgtest-dev
          libbenchmark-dev libfmt-dev libmuparser-dev valgrind procps time
          python3 perl    # the benchmarks' generator and scale script
          chromium fonts-dejavu-core    # the report's browser test (headless) and its font
          dpkg-dev)                     # cpack -G DEB: the package's library dependencies

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "firebird3.0-server shared/firebird/sysdba_password/first_install password $SYSDBA_PASSWORD" \
        | debconf-set-selections
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Pin the server to the loopback interface on the standard port.
set_conf() {
    local key=$1 value=$2
    if grep -Eq "^[[:space:]]*$key[[:space:]]*=[[:space:]]*$value[[:space:]]*\$" "$FB_CONF"; then return; fi
    sed -i -E "/^[[:space:]]*#?[[:space:]]*$key[[:space:]]*=/d" "$FB_CONF"
    echo "$key = $value" >>"$FB_CONF"
}
set_conf RemoteServicePort 3050
set_conf RemoteBindAddress 127.0.0.1
set_conf AuthServer Srp
set_conf UserManager Srp
set_conf WireCrypt Enabled

server_running() {
    [[ -f $PIDFILE ]] || return 1
    local pid; pid=$(cat "$PIDFILE")
    [[ -e /proc/$pid/exe ]] && [[ "$(readlink /proc/$pid/exe)" == /usr/sbin/firebird* ]] \
        && ! grep -q '^State:.*Z' "/proc/$pid/status"
}

# A listening socket on local port 3050 (0x0BEA, state 0A); connections that a stopped server
# leaves in TIME_WAIT do not count.
port_listening() { awk '$2 ~ /:0BEA$/ && $4 == "0A" { found = 1 } END { exit !found }' /proc/net/tcp; }

if ! server_running; then
    if port_listening; then
        echo "setup.sh: port 3050 is taken by another process" >&2
        exit 1
    fi
    # While the server is down, users are managed through the embedded engine.
    isql-fb -q -bail -user SYSDBA /var/lib/firebird/3.0/system/security3.fdb >/dev/null <<SQL
create or alter user TARVEX password '$TARVEX_PASSWORD';
grant create database to user TARVEX;
commit;
SQL
    mkdir -p /run/firebird3.0 /var/log/firebird
    chown firebird:firebird /run/firebird3.0 /var/log/firebird
    start-stop-daemon --start --background --make-pidfile --pidfile "$PIDFILE" \
        --chuid firebird:firebird --output /var/log/firebird/server-console.log --exec /usr/sbin/firebird
    for _ in $(seq 50); do port_listening && break; sleep 0.1; done
    port_listening || { echo "setup.sh: Firebird server did not start" >&2; exit 1; }
fi

if ! fbsvcmgr localhost/3050:service_mgr -user TARVEX -password "$TARVEX_PASSWORD" \
        -info_server_version >/dev/null 2>&1; then
    isql-fb -q -bail -user SYSDBA -password "$SYSDBA_PASSWORD" localhost:/var/lib/firebird/3.0/system/security3.fdb >/dev/null <<SQL
create or alter user TARVEX password '$TARVEX_PASSWORD';
grant create database to user TARVEX;
commit;
SQL
fi

# A directory the server may create test and demo databases in.
install -d -o firebird -g firebird -m 2777 /var/lib/firebird/3.0/data/sollist
# Lock directory shared by the server and embedded users.
install -d -o firebird -g firebird -m 0777 /tmp/firebird 2>/dev/null || true
echo "setup.sh: Firebird 3 is up on 127.0.0.1:3050 (user TARVEX)"
