# A throwaway PostgreSQL 15 cluster for tests and trial sites. Source this file, then:
#   pg_start   initdb into a temporary folder, start on 127.0.0.1 at a free port, create a
#              password-protected role and database; exports R205730_PG_HOST, _PORT, _USER,
#              _PASSWORD, _DATABASE and _DIR
#   pg_stop    stop the server and remove its folder (safe to call twice; use it in an exit trap)
# initdb and postgres refuse to run as root: as root the server runs as the postgres user.

pg_bindir() {
  local d
  if command -v pg_config >/dev/null 2>&1; then
    d=$(pg_config --bindir 2>/dev/null || true)
    [ -x "$d/initdb" ] && { echo "$d"; return; }
  fi
  d=$(dpkg -L postgresql-15 2>/dev/null | grep '/bin/initdb$' | head -n1 || true)
  [ -n "$d" ] && { dirname "$d"; return; }
  echo "pg: initdb not found (is postgresql-15 installed?)" >&2
  return 1
}

# Runs a command as the owner of the cluster.
pg_as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

pg_port_in_use() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

pg_start() {
  local bindir dir port attempt
  bindir=$(pg_bindir) || return 1
  dir=$(mktemp -d /tmp/r205730-pg.XXXXXX)
  chmod 700 "$dir"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$dir"
  export R205730_PG_DIR=$dir
  export R205730_PG_HOST=127.0.0.1
  export R205730_PG_USER=edi_test
  export R205730_PG_DATABASE=edi_test
  R205730_PG_PASSWORD=$(head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \n')
  export R205730_PG_PASSWORD

  pg_as_owner "$bindir/initdb" -D "$dir/data" -U postgres -E UTF8 --locale=C.UTF-8 \
    --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log" 2>&1 || {
    echo "pg: initdb failed:" >&2; cat "$dir/initdb.log" >&2; return 1
  }
  for attempt in 1 2 3 4 5 6 7 8; do
    port=$((20000 + RANDOM % 40000))
    pg_port_in_use "$port" && continue
    if pg_as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
        -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$dir -c fsync=off" \
        start >/dev/null 2>&1; then
      export R205730_PG_PORT=$port
      break
    fi
  done
  [ -n "${R205730_PG_PORT:-}" ] || { echo "pg: server did not start:" >&2; cat "$dir/server.log" >&2; return 1; }

  pg_as_owner "$bindir/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir" -p "$port" -U postgres -d postgres >/dev/null <<SQL || return 1
CREATE ROLE $R205730_PG_USER LOGIN CREATEDB PASSWORD '$R205730_PG_PASSWORD';
CREATE DATABASE $R205730_PG_DATABASE OWNER $R205730_PG_USER ENCODING 'UTF8' TEMPLATE template0;
SQL
}

pg_stop() {
  local dir=${R205730_PG_DIR:-}
  [ -n "$dir" ] && [ -d "$dir" ] || return 0
  if [ -f "$dir/data/postmaster.pid" ]; then
    pg_as_owner "$(pg_bindir)/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  unset R205730_PG_DIR R205730_PG_HOST R205730_PG_PORT R205730_PG_USER R205730_PG_PASSWORD R205730_PG_DATABASE
}

# Runs psql as the test role against the given database (default: the role's own).
pg_psql() {
  local db=${1:-$R205730_PG_DATABASE}
  shift || true
  PGPASSWORD=$R205730_PG_PASSWORD PGOPTIONS="-c client_min_messages=warning" psql -X -q -v ON_ERROR_STOP=1 -h "$R205730_PG_HOST" -p "$R205730_PG_PORT" \
    -U "$R205730_PG_USER" -d "$db" "$@"
}
