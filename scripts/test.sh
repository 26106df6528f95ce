#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds TarvixMixer with its tests and runs the whole suite.
#
#   scripts/test.sh                      plain build in build/
#   scripts/test.sh --sanitize=address   AddressSanitizer + UBSan build in build-address/
#   scripts/test.sh --sanitize=thread    ThreadSanitizer build in build-thread/
#
# Further arguments go to ctest (for example -R tst_mixerapplication).

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

sanitize=""
ctest_args=()
for argument in "$@"; do
    case "$argument" in
    --sanitize=*) sanitize=${argument#--sanitize=} ;;
    *) ctest_args+=("$argument") ;;
    esac
done

case "$sanitize" in
"") build_dir=build ;;
address | thread) build_dir="build-$sanitize" ;;
*)
    echo "Unknown sanitizer '$sanitize': use --sanitize=address or --sanitize=thread." >&2
    exit 2
    ;;
esac

install_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
generate_locales "${TEST_LOCALES[@]}"
configure_and_build "$build_dir" -DBUILD_TESTING=ON "-DTARVIX_SANITIZE=$sanitize" --

ctest --test-dir "$build_dir" --output-on-failure -j2 "${ctest_args[@]}"
