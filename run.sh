#!/usr/bin/env bash
# Installs what is missing, builds, and shows the program at work: a sample HEX file written
# into a simulated 16F84A, verified, read back and shown.
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
echo
# The simulated programmer keeps its chip in a file, so each run below sees the chip the run
# before it left. No hardware is touched.
chip=$(mktemp -d)/16f84a-chip.txt
trap 'rm -rf "$(dirname "$chip")"' EXIT
sim=(--driver simulated --sim-chip "$chip" -d 16F84A)
echo "== Writing it into a simulated 16F84A =="
"$cli" "${sim[@]}" write samples/blink-16f84a.hex
echo
echo "== Verifying the chip against the file =="
"$cli" "${sim[@]}" verify samples/blink-16f84a.hex
echo
echo "== Reading the chip back =="
"$cli" "${sim[@]}" read -o "$(dirname "$chip")/read.hex"
cat "$(dirname "$chip")/read.hex"
echo
echo "== What the chip holds =="
"$cli" -d 16F84A info "$(dirname "$chip")/read.hex"
