#!/usr/bin/env bash
# Runs scenario files against a cmp-server, as a many-users installation runs:
# cmp-server on a free port, serving a PostgreSQL schema of its own on the
# server named by CMP_PG_HOST, CMP_PG_PORT, CMP_PG_USER, CMP_PG_PASSWORD and
# CMP_PG_DB (scripts/with-postgres provides them); cmp-scenario recreates the
# schema with the demo data for each file. Without PostgreSQL the run is
# skipped (exit status 77).
#   usage: remote_scenarios.sh CMP-SERVER CMP-SCENARIO FILE...
set -euo pipefail
[[ $# -ge 3 ]] || { echo "usage: $0 CMP-SERVER CMP-SCENARIO FILE..." >&2; exit 2; }
server=$1 scenario=$2
shift 2
if [[ -z ${CMP_PG_HOST:-} || -z ${CMP_PG_DB:-} ]]; then
  echo "no PostgreSQL named in CMP_PG_HOST and CMP_PG_DB: skipped"
  exit 77
fi

schema=scenario_$$_$RANDOM
database=(--pg-host "$CMP_PG_HOST" --pg-port "${CMP_PG_PORT:-5432}" --pg-user "${CMP_PG_USER:-}"
  --pg-db "$CMP_PG_DB" --pg-schema "$schema")
psql=(psql -X -q -v ON_ERROR_STOP=1 -h "$CMP_PG_HOST" -p "${CMP_PG_PORT:-5432}"
  -U "${CMP_PG_USER:-}" -d "$CMP_PG_DB")
export PGPASSWORD=${CMP_PG_PASSWORD:-} PGOPTIONS="-c client_min_messages=warning"
log=$(mktemp "${TMPDIR:-/tmp}/cmp-server.XXXXXX")
pid=
stop() {
  if [[ -n $pid ]]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  "${psql[@]}" -c "DROP SCHEMA IF EXISTS $schema CASCADE" || true
  rm -f "$log"
}
trap stop EXIT

"${psql[@]}" -c "CREATE SCHEMA $schema"
"$server" "${database[@]}" --port 0 >"$log" 2>&1 &
pid=$!
# The server prints its address once it serves.
address=
for _ in $(seq 600); do
  address=$(sed -n 's|.*http://\([^,]*\),.*|\1|p' "$log")
  [[ -z $address ]] || break
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "cmp-server did not start:" >&2
    cat "$log" >&2
    exit 1
  fi
  sleep 0.1
done
[[ -n $address ]] || { echo "cmp-server did not start in time" >&2; cat "$log" >&2; exit 1; }

"$scenario" --server "$address" "${database[@]}" "$@"
