#!/usr/bin/env bash
# Builds fuzz_readpreset with clang and runs it for SECONDS seconds (default 60).
# Usage: fuzz/run.sh [SECONDS] [extra libFuzzer options...]
# Environment: BUILD_DIR (default build-fuzz under the repository), JOBS (default 2).
set -euo pipefail

seconds="${1:-60}"
shift || true
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

source "$root/scripts/common.sh"
# libFuzzer comes with clang's runtime libraries.
install_packages "${BUILD_PACKAGES[@]}" clang libclang-rt-14-dev
build="${BUILD_DIR:-$root/build-fuzz}"
jobs="${JOBS:-2}"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIX_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target fuzz_readpreset -j "$jobs"

# New inputs go to the working corpus; the committed hostile files are read-only seeds.
corpus="$build/fuzz-corpus"
artifacts="$build/fuzz-artifacts/"
mkdir -p "$corpus" "$artifacts"
"$build/fuzz/fuzz_readpreset" "$corpus" "$root/tests/presets/hostile" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$artifacts" -print_final_stats=1 "$@"
