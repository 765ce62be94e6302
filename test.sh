#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in the normal build, once under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
for preset in default asan; do
    scripts/build.sh "$preset"
    ctest --preset "$preset" -j "$(nproc)"
done
