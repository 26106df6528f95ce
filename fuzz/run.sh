#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds a libFuzzer target with clang and runs it for SECONDS seconds (default 60).
# Usage: fuzz/run.sh [SECONDS] [TARGET] [extra libFuzzer options...]
# TARGET is fuzz_readpreset (the default), fuzz_statefile, fuzz_cardmapping or fuzz_commandline.
# Environment: BUILD_DIR (default build-fuzz under the repository), JOBS (default 2).
set -euo pipefail

seconds="${1:-60}"
shift || true
target=fuzz_readpreset
if [ $# -gt 0 ] && [[ "$1" == fuzz_* ]]; then
    target=$1
    shift
fi
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

source "$root/scripts/common.sh"
# libFuzzer comes with clang's runtime libraries.
install_packages "${BUILD_PACKAGES[@]}" clang libclang-rt-14-dev
build="${BUILD_DIR:-$root/build-fuzz}"
jobs="${JOBS:-2}"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIX_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target "$target" -j "$jobs"

# Each target's seeds (read, never written) and its longest input; a dictionary where it has one.
cards="$root/tests/backends/alsa"
case "$target" in
fuzz_readpreset) seeds=("$root/tests/presets/hostile") max_len=65536 ;;
fuzz_statefile) seeds=("$cards/cards" "$cards/hostile" "$cards/virtualcard") max_len=524288 ;;
fuzz_cardmapping) seeds=("$cards/cards" "$cards/virtualcard") max_len=65536 ;;
fuzz_commandline) seeds=("$root/fuzz/commandline") max_len=4096 ;;
*) echo "Unknown fuzz target '$target'." >&2; exit 2 ;;
esac
options=()
dictionary="$root/fuzz/${target#fuzz_}.dict"
[ "$target" = fuzz_cardmapping ] && dictionary="$root/fuzz/statefile.dict"
[ -f "$dictionary" ] && options+=(-dict="$dictionary")

# New inputs go to the target's working corpus, so a later run carries on from there.
corpus="$build/fuzz-corpus/$target"
artifacts="$build/fuzz-artifacts/$target/"
mkdir -p "$corpus" "$artifacts"
"$build/fuzz/$target" "$corpus" "${seeds[@]}" "${options[@]}" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
    -artifact_prefix="$artifacts" -print_final_stats=1 "$@"
