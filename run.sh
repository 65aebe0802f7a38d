#!/usr/bin/env bash
# Builds a release of Quorvin and starts it. Arguments are passed on to the program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/app/quorvin "$@"
