#!/usr/bin/env bash
# Runs each libFuzzer target for MINUTES minutes (default 10), one after the other, in the fuzz
# preset's build (clang, ASan + UBSan, everything instrumented for coverage):
#
#   scripts/fuzz.sh [MINUTES] [NAME...]      NAME: hex_reader, sim_chip_file, cli_options,
#                                            settings_reader
#
# New inputs that reach new code are kept in build-fuzz/fuzz-corpus/NAME/ (the seeds stay in
# fuzz/corpus/NAME/); an input that crashes a target, trips a sanitizer or breaks a target's
# checks is saved as build-fuzz/fuzz-findings/NAME-crash-... and makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes="${1:-10}"
shift || true
if [ $# -eq 0 ]; then
    set -- $(ls fuzz/*_fuzz.cpp | sed 's|fuzz/\(.*\)_fuzz.cpp|\1|')
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

findings=build-fuzz/fuzz-findings
mkdir -p "$findings"
failed=()
for name in "$@"; do
    corpus="build-fuzz/fuzz-corpus/$name"
    mkdir -p "$corpus"
    # A target may come without seeds or a dictionary: libFuzzer stops at a folder or a
    # dictionary that is not there.
    inputs=("$corpus")
    [ -d "fuzz/corpus/$name" ] && inputs+=("fuzz/corpus/$name")
    dictionary=()
    [ -f "fuzz/$name.dict" ] && dictionary=(-dict="fuzz/$name.dict")
    echo "== $name: $minutes minutes"
    if ! "build-fuzz/fuzz/${name}_fuzz" -max_total_time=$((minutes * 60)) -max_len=4096 \
        "${dictionary[@]}" -artifact_prefix="$findings/$name-" -print_final_stats=1 \
        "${inputs[@]}" 2>"build-fuzz/fuzz-$name.log"; then
        failed+=("$name")
    fi
    grep -E "^(stat::number_of_executed_units|stat::new_units_added|#[0-9]+ *DONE)" \
        "build-fuzz/fuzz-$name.log" || true
done
if [ ${#failed[@]} -ne 0 ]; then
    echo "findings in: ${failed[*]} (inputs in $findings, logs in build-fuzz/fuzz-NAME.log)"
    exit 1
fi
echo "nothing found"
