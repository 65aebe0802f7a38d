#!/usr/bin/env bash
# Builds a release of Quorvin and starts it. Arguments are passed on to the program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
# The window arrives with the program; until then the command-line decoder shows the modem at
# work on the built-in band simulator.
exec build/release/tools/quorvin-decode --demo "$@"
