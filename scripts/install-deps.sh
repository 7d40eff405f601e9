#!/usr/bin/env bash
# Installs the Debian packages of a set that are missing:
#   run   what building and running the programs needs (scripts/run.sh);
#   test  that, and the test build with the peers the tests run (scripts/test.sh).
# With --list, prints the set's packages, one a line, and installs nothing.
set -euo pipefail
usage() { echo "usage: $0 [--list] run|test" >&2; exit 2; }
list=0
if [ "${1:-}" = --list ]; then list=1; shift; fi
[ $# -eq 1 ] || usage

# Building: the compilers, CMake with make, pkg-config and the headers of the
# libraries the programs link; running: FUSE 3's fusermount3, with which
# scripts/run.sh unmounts the driver emulator.
run=(gcc g++ cmake make pkg-config libfuse3-dev nlohmann-json3-dev libncurses-dev libcrypt-dev fuse3)
# The test build (Ninja, lld, GoogleTest; Google Benchmark for the
# benchmarks) and the peers: tmux for the console, util-linux's nsenter and
# sfdisk, net-snmp's trap daemon and trap sender, nasm and the machine
# emulator for the boot code, groff for the manual pages.
test=("${run[@]}" ninja-build lld libgtest-dev libgmock-dev libbenchmark-dev
      tmux util-linux fdisk snmptrapd snmp nasm qemu-system-x86 groff-base)

case $1 in
  run) pkgs=("${run[@]}") ;;
  test) pkgs=("${test[@]}") ;;
  *) usage ;;
esac
if ((list)); then
  printf '%s\n' "${pkgs[@]}"
  exit 0
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi
