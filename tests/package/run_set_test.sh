#!/usr/bin/env bash
# Configures the programs as scripts/run.sh does (no tests) and checks that
# everything the configuration and the build take from this machine comes
# from the run set of scripts/install-deps.sh or from what those packages
# depend on: every tool and file CMake found, the pkg-config modules, the
# libraries the programs link, every system header their sources include,
# and the emulator's unmount tool. Then scripts/run.sh installs enough on a
# fresh machine. The test tools stay out of the run set's reach.
set -euo pipefail
src=$1
work=$(mktemp -d /tmp/kzm-runset.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mapfile -t run < <("$src/scripts/install-deps.sh" --list run)
mapfile -t tests < <("$src/scripts/install-deps.sh" --list test)
((${#run[@]})) || fail "install-deps.sh lists no run set"

# What a package brings along, from dpkg's own records: the closure of the
# installed packages over Pre-Depends and Depends (not Recommends), starting
# at the given packages and at the essential ones every Debian system has.
closure() {
  dpkg-query -W -f='${db:Status-Abbrev}\t${Package}\t${Essential}\t${Provides}\t${Pre-Depends}, ${Depends}\n' |
    awk -F'\t' -v want="$*" '
      $1 ~ /^ii/ {
        installed[$2] = 1; deps[$2] = $5
        if ($3 == "yes") start[$2] = 1
        n = split($4, provides, /, */)
        for (i = 1; i <= n; i++) { p = provides[i]; sub(/[ :].*/, "", p); if (p != "") by[p] = by[p] " " $2 }
      }
      END {
        n = split(want, w, " ")
        for (i = 1; i <= n; i++) {
          if (!(w[i] in installed)) { print "MISSING " w[i]; continue }
          start[w[i]] = 1
        }
        for (p in start) queue[++tail] = p
        while (head < tail) {
          p = queue[++head]
          if (p in seen) continue
          seen[p] = 1
          groups = split(deps[p], g, /, */)
          for (i = 1; i <= groups; i++) {
            alternatives = split(g[i], a, / *\| */)
            for (j = 1; j <= alternatives; j++) {
              name = a[j]; sub(/^ +/, "", name); sub(/[ :(].*/, "", name)
              if (name == "") continue
              if (name in installed) queue[++tail] = name
              m = split(by[name], providers, " ")
              for (k = 1; k <= m; k++) queue[++tail] = providers[k]
            }
          }
        }
        for (p in seen) print p
      }' | sort -u
}
closure "${run[@]}" > "$work/closure"
if grep '^MISSING ' "$work/closure"; then fail "run set packages not installed here"; fi

# The test set's own packages (beyond the run set and the essential ones)
# are not brought along by it.
for p in "${tests[@]}"; do
  printf '%s\n' "${run[@]}" | grep -qx -- "$p" && continue
  [ "$(dpkg-query -W -f='${Essential}' "$p")" = yes ] && continue
  ! grep -qx -- "$p" "$work/closure" || fail "the run set brings the test package $p along"
done

# scripts/run.sh's own configuration; the test's build folder and the source
# tree are no system files. Unity batches only make the header scan short.
build=$work/build
grep -q -- '-DKZM_TESTS=OFF' "$src/scripts/run.sh" || fail "scripts/run.sh no longer configures without the tests"
env -u CMAKE_GENERATOR cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKZM_TESTS=OFF -DKZM_UNITY_BUILD=ON >/dev/null
cache=$build/CMakeCache.txt
files=$work/files  # "what<TAB>path" lines
: > "$files"
outside() { case $1 in "$src"/* | "$work"/*) return 1 ;; /*) return 0 ;; *) return 1 ;; esac; }

# Every tool and library CMake found and every package configuration folder
# (the cache's FILEPATH and PATH entries; the install folders are
# destinations, not dependencies), CMake itself and the compilers.
while IFS= read -r line; do
  name=${line%%:*} value=${line#*=}
  case $name in CMAKE_INSTALL_*) continue ;; esac
  outside "$value" && [ -e "$value" ] || continue
  if [ -d "$value" ]; then
    for f in "$value"/*; do if [ -f "$f" ]; then printf 'cache %s\t%s\n' "$name" "$f"; fi; done
  else
    printf 'cache %s\t%s\n' "$name" "$value"
  fi
done < <(grep -E '^[A-Za-z_][A-Za-z0-9_]*:(FILEPATH|PATH)=' "$cache") >> "$files"
cmake_program=$(sed -n 's/^CMAKE_COMMAND:INTERNAL=//p' "$cache")
printf 'cmake\t%s\n' "$cmake_program" >> "$files"
cxx=$(sed -n 's/^CMAKE_CXX_COMPILER:FILEPATH=//p' "$cache")

# The pkg-config modules pkg_check_modules asked for, by their .pc files.
pkg_config=$(sed -n 's/^PKG_CONFIG_EXECUTABLE:FILEPATH=//p' "$cache")
for module in $(sed -n 's/^__pkg_config_arguments_[A-Za-z0-9_]*:INTERNAL=//p' "$cache" | tr ';' '\n' |
                grep -vxE 'REQUIRED|QUIET|IMPORTED_TARGET|GLOBAL|NO_CMAKE_PATH|NO_CMAKE_ENVIRONMENT_PATH' |
                sed 's/[<>=].*//'); do
  pc=$("$pkg_config" --path "$module") || fail "pkg-config does not know $module"
  printf 'pkg-config %s\t%s\n' "$module" "$pc" >> "$files"
done
grep -q '^pkg-config ' "$files" || fail "no pkg-config module found in the configuration"

# The libraries the programs link: full paths and -l names as the linker finds them.
links=0
for link in "$build"/*/CMakeFiles/*.dir/link.txt; do
  links=$((links + 1))
  for word in $(cat "$link"); do
    case $word in
      -l*) printf 'link %s\t%s\n' "$word" "$("$cxx" -print-file-name="lib${word#-l}.so")" ;;
      /*.so | /*.so.* | /*.a) if outside "$word"; then printf 'link\t%s\n' "$word"; fi ;;
    esac
  done
done >> "$files"
((links >= 4)) || fail "expected the programs' link lines, found $links"

# Every system header the programs' sources include, from the compiler.
mkdir "$work/deps"
n=0
while IFS= read -r dir && IFS= read -r command; do
  n=$((n + 1))
  command=${command//\\\"/\"} command=${command//\\\\/\\}
  (cd "$dir" && eval "$command -M -MF $work/deps/$n.d") || fail "the compiler could not read the sources of $dir"
done < <(sed -n -e 's/^  "directory": "\(.*\)",$/\1/p' -e 's/^  "command": "\(.*\)",$/\1/p' "$build/compile_commands.json")
((n > 0)) || fail "no compile commands"
cat "$work/deps"/*.d | tr ' \\' '\n\n' | sed 's/:$//' | sort -u | while IFS= read -r f; do
  if [ -n "$f" ] && outside "$f" && [ -f "$f" ]; then printf 'header\t%s\n' "$f"; fi
done >> "$files"

# The emulator is unmounted with fusermount3.
fusermount=$(command -v fusermount3) || fail "fusermount3 is not installed"
printf 'fusermount3\t%s\n' "$fusermount" >> "$files"

# The package of each file: dpkg knows a file by the path its package ships,
# which may be the path found, its target, or their /usr-merged twins.
cut -f2 "$files" | sort -u > "$work/paths"
xargs -d '\n' readlink -e -- < "$work/paths" > "$work/targets"
[ "$(wc -l < "$work/paths")" = "$(wc -l < "$work/targets")" ] || fail "a file found is gone"
paste "$work/paths" "$work/targets" | awk -F'\t' '{
  for (i = 1; i <= 2; i++) {
    print $1 "\t" $i
    if ($i ~ /^\/usr\/(lib|bin|sbin|lib64)\//) print $1 "\t" substr($i, 5)
    else if ($i ~ /^\/(lib|bin|sbin|lib64)\//) print $1 "\t/usr" $i
  }
}' | sort -u > "$work/candidates"
cut -f2 "$work/candidates" | sort -u | xargs -d '\n' dpkg -S 2>/dev/null |
  grep -v '^diversion ' | sed 's/: \//\t\//' > "$work/owners" || true  # "pkg, pkg:arch<TAB>path"

awk -F'\t' '
  FILENAME == ARGV[1] { ok[$1] = 1; next }
  FILENAME == ARGV[2] {
    n = split($1, pkgs, /, */)
    for (i = 1; i <= n; i++) { p = pkgs[i]; sub(/:.*/, "", p); owners[$2] = owners[$2] " " p }
    next
  }
  FILENAME == ARGV[3] { via[$1] = via[$1] owners[$2]; next }
  {
    file = $2; n = split(via[file], pkgs, " "); good = 0
    for (i = 1; i <= n; i++) if (pkgs[i] in ok) good = 1
    if (!good) {
      from = n ? substr(via[file], 2) : "no package"
      if (!(from in count)) { example[from] = $1 " " file; bad++ }
      count[from]++
    }
    checked++
  }
  END {
    for (from in count) print "FAIL: " count[from] " files from " from " (as " example[from] "), outside the run set"
    print checked " files checked"
    exit bad > 0
  }
' "$work/closure" "$work/owners" "$work/candidates" "$files" ||
  fail "scripts/install-deps.sh run lacks packages that building or running needs"
echo "run set complete"
