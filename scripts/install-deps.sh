#!/usr/bin/env bash
# Installs the Debian packages the suite needs to build, run and test, when missing.
set -euo pipefail
pkgs=(cmake ninja-build lld g++ make pkg-config libfuse3-dev fuse3 nlohmann-json3-dev libncurses-dev
      libgtest-dev libgmock-dev libbenchmark-dev libcrypt-dev tmux util-linux fdisk nasm iproute2 openssl
      snmptrapd snmp qemu-system-x86 groff-base)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi
