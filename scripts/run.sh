#!/usr/bin/env bash
# Installs what building and running needs when it is missing (not the test
# tools), builds, mounts the driver emulator with its default scenario (or the
# scenario file given as first argument) and runs the most useful front end
# that exists against it. The emulator is unmounted on exit.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
build=${BUILD_DIR:-build}
# The README installs from this build with the same configuration: keep the two alike.
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
  echo "No front end was built; the driver emulator is mounted at $KZMH_PROC_ROOT:"
  ls -R "$KZMH_PROC_ROOT"
fi
