#!/usr/bin/env bash
# Runs one command beside a private CUPS scheduler of its own: configuration,
# spool and logs in a temporary folder, reached through a socket there (no
# port), stopped and removed when the command ends. Two PDF printers print
# into files: corvale-margins, whose driver declares 12 pt hardware margins
# on every side as an office printer's does, and corvale-borderless, which
# declares none. The command finds the scheduler in CUPS_SERVER (the socket,
# as libcups and so Qt's print dialog read it) and the printed files in
# CORVALE_TEST_PRINTS (<printer>.pdf, written anew by each job).
#   with-cups.sh COMMAND [ARG...]
set -u

for tool in /usr/sbin/cupsd lpadmin lpstat; do
  if ! command -v "$tool" >/dev/null; then
    echo "with-cups.sh: $tool is missing; run scripts/install-deps.sh" >&2
    exit 2
  fi
done
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
cupsd_pid=
stop() {
  # Only the scheduler this script started is stopped.
  [ -n "$cupsd_pid" ] && kill "$cupsd_pid" 2>/dev/null && wait "$cupsd_pid" 2>/dev/null
  rm -rf "$work"
}
trap stop EXIT
trap 'exit 130' INT TERM

mkdir -p "$work"/{conf/ppd,spool,tmp,cache,state,log,prints}
# The scheduler runs filters as an unprivileged account when started as
# root, and as the caller otherwise; that account writes the printed files.
if [ "$(id -u)" -eq 0 ]; then
  user=lp
  group=lp
  id "$user" >/dev/null 2>&1 || { user=nobody; group=nogroup; }
else
  user=$(id -un)
  group=$(id -gn)
fi
chmod 755 "$work"
chmod 1777 "$work/tmp" "$work/prints"
[ "$(id -u)" -eq 0 ] && chown "$user:$group" "$work/spool" "$work/cache" "$work/state" "$work/prints"

cat >"$work/conf/cups-files.conf" <<CONF
User $user
Group $group
SystemGroup root $(id -gn)
ServerRoot $work/conf
RequestRoot $work/spool
TempDir $work/tmp
CacheDir $work/cache
StateDir $work/state
ErrorLog $work/log/error_log
AccessLog $work/log/access_log
PageLog $work/log/page_log
FileDevice Yes
Sandboxing Relaxed
CONF
cat >"$work/conf/cupsd.conf" <<CONF
Listen $work/cups.sock
LogLevel info
Browsing No
WebInterface No
DefaultAuthType None
PreserveJobHistory Yes
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF

/usr/sbin/cupsd -f -c "$work/conf/cupsd.conf" -s "$work/conf/cups-files.conf" \
  >"$work/log/cupsd.out" 2>&1 &
cupsd_pid=$!
export CUPS_SERVER="$work/cups.sock"
# Ready once it answers on its socket; a loaded machine may take a while.
# lpstat -r exits 0 whether or not anything answered: only its words tell.
running() { [ "$(LC_ALL=C lpstat -r 2>/dev/null)" = "scheduler is running" ]; }
for _ in $(seq 1 1200); do
  running && break
  kill -0 "$cupsd_pid" 2>/dev/null || break
  sleep 0.05
done
if ! running; then
  echo "with-cups.sh: the scheduler did not start:" >&2
  cat "$work/log/cupsd.out" "$work/log/error_log" >&2 2>/dev/null
  exit 2
fi
for printer in margins borderless; do
  if ! lpadmin -p "corvale-$printer" -E -v "file://$work/prints/corvale-$printer.pdf" \
      -P "$here/corvale-$printer.ppd" 2>"$work/log/lpadmin.out"; then
    echo "with-cups.sh: cannot add the printer corvale-$printer:" >&2
    cat "$work/log/lpadmin.out" "$work/log/error_log" >&2 2>/dev/null
    exit 2
  fi
done
lpadmin -d corvale-margins
export CORVALE_TEST_PRINTS="$work/prints"
"$@"
