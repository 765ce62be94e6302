#!/usr/bin/env bash
# Installs what is missing, builds, and shows the program at work on a sample file.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh default
cli=build/src/vantrel-cli

echo "== Supported devices =="
"$cli" devices
echo
echo "== A sample HEX file for the 16F84A =="
"$cli" -d 16F84A info samples/blink-16f84a.hex
echo
echo "== The same file disassembled =="
"$cli" -d 16F84A disasm samples/blink-16f84a.hex
