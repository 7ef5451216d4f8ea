#!/usr/bin/env bash
# Runs one command beside a private PostgreSQL server of its own: a cluster
# made in a temporary folder, listening on the loopback address only, and
# stopped and removed when the command ends. The command finds the server
# in CORVALE_TEST_POSTGRES (a postgresql:// address of an empty database).
#   with-postgres.sh COMMAND [ARG...]
set -u

bindir=
for d in /usr/lib/postgresql/*/bin; do
  [ -x "$d/initdb" ] && bindir=$d
done
if [ -z "$bindir" ]; then
  echo "with-postgres.sh: PostgreSQL's initdb is missing; run scripts/install-deps.sh" >&2
  exit 2
fi

work=$(mktemp -d)
# The server refuses to run as root; an unprivileged account owns the cluster.
run_as=()
if [ "$(id -u)" -eq 0 ]; then
  user=postgres
  id "$user" >/dev/null 2>&1 || user=nobody
  chown "$user" "$work"
  run_as=(runuser -u "$user" --)
fi
started=
stop() {
  # Only the server this script started is stopped.
  [ -n "$started" ] && "${run_as[@]}" "$bindir/pg_ctl" -D "$work/data" -m immediate -w stop >/dev/null 2>&1
  rm -rf "$work"
}
trap stop EXIT
trap 'exit 130' INT TERM

if ! "${run_as[@]}" "$bindir/initdb" -D "$work/data" -U corvale --auth=trust -E UTF8 --locale=C.UTF-8 \
    >"$work/initdb.log" 2>&1; then
  echo "with-postgres.sh: initdb failed:" >&2
  cat "$work/initdb.log" >&2
  exit 2
fi
# One account has to give its password, as a shop's server asks of every
# desk; the rest of the cluster trusts the loopback address.
hba="$work/data/pg_hba.conf"
{ echo "host all keyholder 127.0.0.1/32 scram-sha-256"; cat "$hba"; } >"$work/hba" && cat "$work/hba" >"$hba"
# A port nobody listens on: tried from a random start until the server
# takes one (a port taken meanwhile only costs another try).
for attempt in 1 2 3 4 5 6 7 8; do
  port=$(shuf -i 20000-60000 -n 1)
  if "${run_as[@]}" "$bindir/pg_ctl" -D "$work/data" -l "$work/server.log" -w -t 60 \
      -o "-h 127.0.0.1 -p $port -k $work -c fsync=off -c full_page_writes=off" start >/dev/null 2>&1; then
    started=1
    break
  fi
done
if [ -z "$started" ]; then
  echo "with-postgres.sh: the server did not start:" >&2
  cat "$work/server.log" >&2
  exit 2
fi
export CORVALE_TEST_POSTGRES="postgresql://corvale@127.0.0.1:$port/postgres"
# The password holds what an address has to write percent-encoded.
export CORVALE_TEST_POSTGRES_PASSWORD='p@ss w:rd/密#1'
if ! PGCLIENTENCODING=UTF8 "$bindir/psql" -X -q -v ON_ERROR_STOP=1 "$CORVALE_TEST_POSTGRES" \
    -c "CREATE ROLE keyholder LOGIN PASSWORD '$CORVALE_TEST_POSTGRES_PASSWORD'" \
    -c "CREATE DATABASE kept OWNER keyholder" >"$work/psql.log" 2>&1; then
  echo "with-postgres.sh: the password account was not made:" >&2
  cat "$work/psql.log" >&2
  exit 2
fi
export CORVALE_TEST_POSTGRES_LOCKED="postgresql://keyholder@127.0.0.1:$port/kept"
"$@"
