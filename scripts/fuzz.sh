#!/usr/bin/env bash
# Fuzzes one target for a while:
#
#     scripts/fuzz.sh TARGET SECONDS      TARGET: settings_file, locator, decode_options, audio_path,
#                                         sound_clip
#
# Builds the `fuzz` preset (clang with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer)
# in build/fuzz and runs fuzz_TARGET for SECONDS on a scratch copy of fuzz/corpus/TARGET, so the
# committed corpus stays as it is. A crash is written to build/fuzz/crash-TARGET-*: add it to
# fuzz/corpus/TARGET once fixed, and ./test.sh runs it from then on.
set -euo pipefail
target=${1:?usage: scripts/fuzz.sh TARGET SECONDS}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" --fuzz
cmake --preset fuzz -S "$root" >/dev/null
cmake --build "$root/build/fuzz" --target "fuzz_$target"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/fuzz/corpus/$target/"* "$work/"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
"$root/build/fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=4096 \
  -artifact_prefix="$root/build/fuzz/crash-$target-" "$work"
echo "fuzz_$target: $seconds s, corpus $(ls "$root/fuzz/corpus/$target" | wc -l) -> $(ls "$work" | wc -l) inputs"
