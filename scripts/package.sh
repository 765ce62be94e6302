#!/usr/bin/env bash
# Builds as a user or a packager would - a plain Release build with the system's compiler, no
# presets, warnings not treated as errors - and makes the Debian package of it:
#
#   scripts/package.sh            ->  build-release/vantrel_VERSION_ARCH.deb
#
# Then checks that the package holds the programs and their manual pages and that its
# dependencies were found.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-release
cmake -B "$build" -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_TESTS=OFF -DVANTREL_BUILD_BENCH=OFF \
    >/dev/null
cmake --build "$build" --parallel "$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls -t "$build"/vantrel_*.deb | head -n 1)

status=0
contents=$(dpkg-deb --contents "$package")
for file in ./usr/bin/vantrel-cli ./usr/share/man/man1/vantrel-cli.1.gz; do
    grep -q " $file\$" <<<"$contents" || { echo "$package lacks $file" >&2; status=1; }
done
depends=$(dpkg-deb --field "$package" Depends)
for library in libc6 libstdc++6; do
    grep -q "$library" <<<"$depends" || { echo "$package does not depend on $library" >&2; status=1; }
done
echo "$package"
echo "Depends: $depends"
exit $status
