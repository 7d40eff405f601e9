#!/usr/bin/env bash
# The README's "Installing" section installs from the build that
# scripts/run.sh makes: its configure line names the same folder with the
# same settings (so it compiles nothing again after scripts/run.sh), and the
# build and install lines use that folder.
set -euo pipefail
readme=$1 run=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

section=$(awk '/^## Installing$/ {on=1; next} /^## / {on=0} on' "$readme")
[ -n "$section" ] || fail "$readme has no Installing section"
# The folder and the sorted -D settings of a configure line.
settings() { grep -oE -- '-B [^ ]+|-D[A-Za-z0-9_]+=[^ ]+' | sort; }

folder=$(sed -n 's/^build=\${BUILD_DIR:-\([^}]*\)}$/\1/p' "$run")
[ -n "$folder" ] || fail "no build folder in $run"
run_line=$(grep -E '^cmake -S \. -B "\$build" ' "$run") || fail "no configure line in $run"
readme_line=$(grep -E '^    cmake -S \. -B ' <<<"$section") || fail "no configure line in the Installing section"
diff <(settings <<<"${run_line//\"\$build\"/$folder}") <(settings <<<"$readme_line") ||
  fail "the README configures another build than scripts/run.sh"
grep -qE "^    cmake --build $folder( |$)" <<<"$section" || fail "the README does not build $folder"
grep -qE "^    cmake --install $folder( |$)" <<<"$section" || fail "the README does not install from $folder"
echo "README install complete"
