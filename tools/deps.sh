#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the benchmarks need (as root).
# Installs only what is missing, so a machine that has everything pays one dpkg query.
set -euo pipefail
pkgs=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
  libicu-dev libpcre2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  rapidjson-dev libsimdjson-dev jq
  fonts-wqy-microhei fonts-noto-color-emoji fontconfig
  clang-14 libclang-rt-14-dev clang-format-14
  ccache desktop-file-utils appstream man-db
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
