#!/usr/bin/env bash
# Installs what is missing, builds, mounts the driver emulator with its default
# scenario (or the scenario file given as first argument) and runs the most
# useful front end that exists against it. The emulator is unmounted on exit.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKZM_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

work=$(mktemp -d /tmp/kzmsim-run.XXXXXX)
mkdir -p "$work/proc-scsi"
sim_args=()
[ $# -ge 1 ] && sim_args=(--scenario "$(realpath "$1")")
"$build/sim/kzmsim" "${sim_args[@]}" "$work/proc-scsi" -f >"$work/kzmsim.out" 2>&1 &
sim_pid=$!
cleanup() {
  fusermount3 -u "$work/proc-scsi" 2>/dev/null || fusermount3 -uz "$work/proc-scsi" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 100); do
  [ -e "$work/proc-scsi/scsi" ] && break
  sleep 0.1
done
[ -e "$work/proc-scsi/scsi" ] || { echo "the driver emulator did not start:"; cat "$work/kzmsim.out"; exit 1; }
export KZMH_PROC_ROOT="$work/proc-scsi"

if [ -x "$build/console/mirvane" ]; then
  # The console on the emulator's controllers; ESC and Y end it.
  "$build/console/mirvane"
elif [ -x "$build/cli/ostrel" ]; then
  # The tool's version and module version records, then start-up against the
  # emulator: the controllers are counted, no command is run.
  "$build/cli/ostrel" -vx
else
  echo "Driver emulator mounted at $KZMH_PROC_ROOT:"
  ls -R "$KZMH_PROC_ROOT"
  echo "No front end is built yet; the library's benchmark runs against an emulator of its own instead:"
  cmake -S . -B "$build" -DKZM_BENCH=ON >/dev/null && cmake --build "$build" -j"$(nproc)" --target ctl_bench
  "$build/bench/ctl_bench" --benchmark_min_time=0.2
fi
