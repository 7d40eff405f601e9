#!/usr/bin/env bash
# Installs the build tree into a temporary prefix (and once more through
# DESTDIR) and checks the installed files, that each program answers its
# help switch, and that systemd accepts the sample unit (where its tools are).
set -euo pipefail
build=$1
work=$(mktemp -d /tmp/kzm-install.XXXXXX)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

expected=(
  sbin/ostrel sbin/mirvane sbin/dulm bin/kzmsim
  share/man/man8/ostrel.8 share/man/man8/mirvane.8 share/man/man8/dulm.8
  share/doc/kzmraid/dulm.conf.example share/doc/kzmraid/dulm.service
)

check_tree() {
  local root=$1
  for f in "${expected[@]}"; do
    [ -f "$root/$f" ] || fail "$root/$f was not installed"
  done
  for f in sbin/ostrel sbin/mirvane sbin/dulm bin/kzmsim; do
    [ -x "$root/$f" ] || fail "$root/$f is not executable"
  done
  # Nothing else: every installed file is one of the expected ones.
  local extra
  extra=$(cd "$root" && find . -type f | sed 's|^\./||' | sort |
          grep -vxF -f <(printf '%s\n' "${expected[@]}") || true)
  [ -z "$extra" ] || fail "unexpected files installed: $extra"
}

cmake --install "$build" --prefix "$work/prefix" >/dev/null
check_tree "$work/prefix"

# DESTDIR puts the same tree below the staging directory, nothing elsewhere.
DESTDIR="$work/stage" cmake --install "$build" --prefix /opt/kzmraid >/dev/null
check_tree "$work/stage/opt/kzmraid"
[ "$(cd "$work/stage" && ls)" = opt ] || fail "DESTDIR install wrote outside the prefix"

# Each installed program answers its help switch.
p=$work/prefix
"$p/sbin/ostrel" -h | grep -q '^Usage: ostrel ' || fail "ostrel -h"
"$p/sbin/dulm" -h | grep -q '^Usage: dulm ' || fail "dulm -h"
"$p/sbin/mirvane" -HELP | grep -q '^Command line parameters:' || fail "mirvane -HELP"
# grep -q stops reading at its match, and kzmsim, still writing its long help,
# would end by SIGPIPE, which pipefail counts: read the help whole, then look.
help=$("$p/bin/kzmsim" --help 2>&1) && grep -q '^usage: kzmsim \[--scenario FILE\]' <<<"$help" || fail "kzmsim --help"

# The sample unit, pointed at the program just installed, passes systemd's
# own check (unit syntax, the program, the manual page it names).
if command -v systemd-analyze >/dev/null; then
  mkdir "$work/unit"
  unit=$work/unit/dulm.service
  grep -qx 'ExecStart=/usr/local/sbin/dulm -f /etc/dulm.conf' "$p/share/doc/kzmraid/dulm.service" ||
    fail "the unit does not start /usr/local/sbin/dulm -f /etc/dulm.conf"
  sed "s|/usr/local/sbin/dulm|$p/sbin/dulm|" "$p/share/doc/kzmraid/dulm.service" > "$unit"
  MANPATH=$p/share/man systemd-analyze verify "$unit" || fail "systemd-analyze verify dulm.service"
fi
echo "install tree complete"
