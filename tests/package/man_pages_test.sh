#!/usr/bin/env bash
# Renders each manual page without warnings and checks that every switch a
# program's own help lists appears in its page.
set -euo pipefail
man_dir=$1 ostrel=$2 mirvane=$3 dulm=$4
fail() { echo "FAIL: $*" >&2; exit 1; }

# Switches in a help text: a '-' or '--' that does not follow a letter or
# digit, then a letter or '?' (so "A-7" and "non-destructive" are no switches).
switches() { grep -oP '(?<![A-Za-z0-9-])--?[A-Za-z?][A-Za-z]*' | sort -u; }

check_page() {
  local page=$man_dir/$1.8 help=$2
  local warnings
  warnings=$(groff -man -ww -z "$page" 2>&1) || fail "groff failed on $page"
  [ -z "$warnings" ] || fail "groff warnings on $page: $warnings"
  local text
  text=$(groff -man -Tascii -P-cbou "$page" 2>/dev/null)
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES "EXIT STATUS" EXAMPLES "SEE ALSO"; do
    grep -q "^$section" <<<"$text" || fail "$1.8 has no $section section"
  done
  local missing=()
  while read -r s; do
    [ -n "$s" ] || continue
    grep -qF -- "$s" <<<"$text" || missing+=("$s")
  done < <(switches <<<"$help")
  ((${#missing[@]} == 0)) || fail "$1.8 lacks ${missing[*]}"
}

ostrel_help=$("$ostrel" -h)
for c in s c d r a; do ostrel_help+=$'\n'$("$ostrel" -h -$c); done
check_page ostrel "$ostrel_help"
check_page mirvane "$("$mirvane" -HELP)"
check_page dulm "$("$dulm" -h)"

# The service's page names every keyword of the configuration file and every
# expansion of the execute line.
dulm_text=$(groff -man -Tascii -P-cbou "$man_dir/dulm.8" 2>/dev/null)
for word in auth user group target community executeuser execute allow deny \
            %C %E %H %I %N %S %T %%; do
  grep -qw -- "$word" <<<"$dulm_text" || fail "dulm.8 lacks $word"
done
echo "manual pages complete"
