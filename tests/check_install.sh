#!/bin/sh
# Installs a build into a scratch folder and checks that the programs, the manual pages and,
# with the window, its desktop entry and icon are where a Debian system looks for them.
set -eu
build="$1"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
status=0
expect() {
    if [ ! -s "$prefix/$1" ]; then
        echo "not installed: $1"
        status=1
    fi
}
expect bin/vantrel-cli
expect share/man/man1/vantrel-cli.1.gz
expect share/doc/vantrel/README.md
"$prefix/bin/vantrel-cli" --version | grep -q '^vantrel-cli ' || { echo "installed vantrel-cli does not run"; status=1; }
gzip -dc "$prefix/share/man/man1/vantrel-cli.1.gz" | grep -q '^\.TH VANTREL\\-CLI 1' ||
    { echo "vantrel-cli.1.gz is not its manual page"; status=1; }
if grep -q '^vantrel:' "$build/CMakeFiles/Makefile.cmake" 2>/dev/null || [ -x "$build/src/app/vantrel" ]; then
    expect bin/vantrel
    expect share/man/man1/vantrel.1.gz
    expect share/applications/vantrel.desktop
    expect share/icons/hicolor/scalable/apps/vantrel.svg
fi
exit $status
