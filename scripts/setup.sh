#!/usr/bin/env bash
# Installs what is needed, builds the plug-in, the command-line host and the
# benchmarks, installs the plug-in into ~/.vst3 and plays a test signal through
# it in the command-line host. A second run with no change builds nothing.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-packages.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$jobs" --target Vantrel_Dither_VST3 vantrel_host engine_bench plugin_bench

mkdir -p "$HOME/.vst3"
rm -rf "$HOME/.vst3/Vantrel_Dither.vst3"
cp -r build/Vantrel_Dither_artefacts/Release/VST3/Vantrel_Dither.vst3 "$HOME/.vst3/"
echo "Installed $HOME/.vst3/Vantrel_Dither.vst3"

./build/tests/host/vantrel_host "$HOME/.vst3/Vantrel_Dither.vst3"
