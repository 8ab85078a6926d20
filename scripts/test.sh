#!/bin/bash
# Builds sollist and runs every test, embedded and through the local Firebird server.
# Run as root on Debian 12 (setup.sh installs packages and starts the server).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -B build -S .
cmake --build build -j2
cd build
ctest --output-on-failure
