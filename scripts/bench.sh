#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks in Release into build-bench/ and runs them all,
# each figure beside its floor in the same run, printing one table. Takes about a minute once
# built. The programs run on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

BUILD_DIR=build-bench

# amixer (alsa-utils) changes the ALSA benchmark's virtual card from another process.
install_packages "${BUILD_PACKAGES[@]}" alsa-utils
configure_and_build "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DTARVIX_BUILD_BENCH=ON \
    -DBUILD_TESTING=OFF -- benchrunner barewindow startupprobe notificationbench

exec "$BUILD_DIR/bench/benchrunner"
