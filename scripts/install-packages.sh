#!/usr/bin/env bash
# Installs every Debian package that building and testing need.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
    build-essential cmake ninja-build pkg-config git ca-certificates dpkg-dev file patch \
    clang libclang-rt-14-dev \
    juce-modules-source \
    libgtest-dev libbenchmark-dev \
    libswresample-dev libavutil-dev \
    xvfb openbox imagemagick xdotool x11-utils
