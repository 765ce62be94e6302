#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in the normal build (GCC), once
# under AddressSanitizer and UndefinedBehaviorSanitizer (clang, the fuzz targets included).
# Every outside tool the tests compare with must be there: a missing one fails the run, where a
# plain ctest on a developer's machine would skip the tests that need it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
missing=()
for tool in gpasm gpdasm srec_cat python3 groff clang++ desktop-file-validate; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -ne 0 ]; then
    echo "test.sh: the tests need ${missing[*]}, which scripts/install-deps.sh installs" >&2
    exit 1
fi
export VANTREL_REQUIRE_TOOLS=1
for preset in default asan; do
    scripts/build.sh "$preset"
    ctest --preset "$preset" -j "$(nproc)"
done
