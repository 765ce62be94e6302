#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need, skipping those
# already present. Run as root (or with sudo available) on Debian 12.
set -euo pipefail

packages=(
    # The build: GCC for the default preset and the release build, clang with its sanitizer
    # and libFuzzer runtimes for the asan and fuzz presets.
    g++ cmake ninja-build pkg-config clang libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    # The outside references the tests compare with.
    gputils srecord python3
    # The window: Qt 6 Widgets and Qt Test, QScintilla for Qt 6, and the fonts it is drawn in
    # (Liberation Sans and Mono stand in for Arial and Courier New with the same metrics).
    qt6-base-dev libqscintilla2-qt6-dev qt6-qpa-plugins
    fonts-liberation2 fonts-dejavu-core
    # Manual pages, the desktop entry, the Debian package (dpkg-shlibdeps finds its dependencies).
    groff-base gzip desktop-file-utils dpkg-dev file
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

apt_get=(apt-get)
[ "$(id -u)" -ne 0 ] && apt_get=(sudo apt-get)
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${apt_get[@]}" update -qq
"${apt_get[@]}" install -y -qq --no-install-recommends "${missing[@]}"
