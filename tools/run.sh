#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUELIX_BUILD_TESTS=OFF
cmake --build build/release
if [ -x build/release/app/quelix ]; then
  exec build/release/app/quelix "$@"
else
  exec build/release/cli/quelix-cli --help
fi
