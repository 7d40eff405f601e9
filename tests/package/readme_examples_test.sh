#!/usr/bin/env bash
# Runs the README's shell examples (its ```sh blocks, in order) against a
# fresh emulator, with the programs of this build on the path, so that the
# README cannot drift from the programs. /tmp/kzm in the examples becomes a
# mount point of the test's own.
set -euo pipefail
readme=$1 ostrel=$2 kzmsim=$3
work=$(mktemp -d /tmp/kzm-readme.XXXXXX)
mnt=$work/kzm
cleanup() {
  if mountpoint -q "$mnt" 2>/dev/null; then
    fusermount3 -u "$mnt" 2>/dev/null || fusermount3 -uz "$mnt" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/bin"
ln -s "$ostrel" "$work/bin/ostrel"
ln -s "$kzmsim" "$work/bin/kzmsim"

# The sh blocks, /tmp/kzm and /tmp/KZM_* moved into the work directory.
awk '/^```sh$/ {on=1; next} /^```$/ {on=0} on' "$readme" |
  sed -e "s|/tmp/kzm|$mnt|g" -e "s|/tmp/KZM_|$work/KZM_|g" > "$work/examples.sh"
[ -s "$work/examples.sh" ] || { echo "FAIL: no examples found in $readme" >&2; exit 1; }

# The README's service configuration is the sample's, without its comments.
diff <(awk '/^```conf$/ {on=1; next} /^```$/ {on=0} on' "$readme") \
     <(grep -v -e '^#' -e '^$' "$(dirname "$readme")/docs/dulm.conf.example") ||
  { echo "FAIL: the README's dulm.conf differs from docs/dulm.conf.example" >&2; exit 1; }

cd "$work"
PATH=$work/bin:$PATH bash -euo pipefail -x "$work/examples.sh"
echo "README examples complete"
