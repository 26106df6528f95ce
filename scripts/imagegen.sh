#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Redraws the program's images with tools/imagegen: the window's images in mixer/images/ (with
# their @2x variants) and the theme icons in desktop/icons/. Review the result with git diff.

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_packages "${BUILD_PACKAGES[@]}" "${IMAGEGEN_PACKAGES[@]}"
cmake -S tools/imagegen -B build-imagegen -G Ninja
cmake --build build-imagegen
QT_QPA_PLATFORM=offscreen build-imagegen/tarvix_imagegen mixer/images desktop/icons
