#!/usr/bin/env bash
# Builds the Debian package of Quorvin from the release build and checks it with lintian:
#
#     scripts/package.sh          writes build/release/quorvin_<version>_<arch>.deb
#
# Install it with `sudo apt install ./build/release/quorvin_*.deb`, remove it with
# `sudo apt remove quorvin`. Fails when lintian reports an error; its warnings are printed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/deps.sh" --package
cd "$root"
cmake --preset release >/dev/null
# Only what the package holds; the benchmarks of the release build are not part of it.
cmake --build --preset release --target quorvin quorvin-decode quorvin-locator \
  quorvin_compressed_docs
rm -f build/release/quorvin_*.deb
(cd build/release && cpack -G DEB >/dev/null)
package=$(ls build/release/quorvin_*.deb)
echo "$package"
lintian --fail-on error --display-info "$package"
echo "lintian: no errors"
