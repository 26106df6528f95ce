#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Formats every C and C++ file of the repository with its .clang-format, or with --check only
# reports (and fails on) the files that differ from it.
#
#   scripts/format.sh           format in place
#   scripts/format.sh --check   change nothing; exit 1 if any file is not formatted

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_packages clang-format
mode=(-i)
if [ "${1:-}" = "--check" ]; then
    mode=(--dry-run -Werror)
fi
git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format "${mode[@]}"
