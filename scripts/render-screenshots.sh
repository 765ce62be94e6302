#!/usr/bin/env bash
# Renders the README's screenshots of the window on the offscreen platform, with the simulated
# programmer and the sample HEX file, into docs/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh default >/dev/null
mkdir -p docs/screenshots
QT_QPA_PLATFORM=offscreen build/src/app/render-screenshots docs/screenshots samples/blink-16f84a.hex
