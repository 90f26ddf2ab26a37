#!/usr/bin/env bash
# Starts a private PostgreSQL cluster for the database tests: a temporary
# folder, a Unix socket only, no TCP. Source it to get TALLYARD_TEST_PG_URL
# and the function pg_cluster_stop:
#     source scripts/pg-cluster.sh && pg_cluster_start
pg_cluster_start() {
    local bin
    bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
    if [[ -z "$bin" ]]; then
        echo "pg-cluster: PostgreSQL is not installed; database tests run on SQLite only" >&2
        return 1
    fi
    PG_CLUSTER_DIR=$(mktemp -d /tmp/tallyard-pg.XXXXXX)
    local run=()
    # initdb refuses to run as root: the cluster belongs to the postgres user.
    if [[ $(id -u) -eq 0 ]]; then
        chown postgres: "$PG_CLUSTER_DIR"
        run=(runuser -u postgres --)
    fi
    PG_CLUSTER_RUN=("${run[@]}")
    PG_CLUSTER_BIN=$bin
    "${run[@]}" "$bin/initdb" -D "$PG_CLUSTER_DIR/data" -A trust -U postgres -E UTF8 >"$PG_CLUSTER_DIR/initdb.log" 2>&1 \
        || { cat "$PG_CLUSTER_DIR/initdb.log" >&2; return 1; }
    "${run[@]}" "$bin/pg_ctl" -D "$PG_CLUSTER_DIR/data" -l "$PG_CLUSTER_DIR/server.log" -w \
        -o "-k $PG_CLUSTER_DIR -c listen_addresses='' -c fsync=off -c max_connections=200" start >/dev/null \
        || { cat "$PG_CLUSTER_DIR/server.log" >&2; return 1; }
    export TALLYARD_TEST_PG_URL="postgresql://postgres@localhost/postgres?host=$PG_CLUSTER_DIR"
    echo "pg-cluster: running at $PG_CLUSTER_DIR"
}

# Stops or starts again the cluster in a folder pg_cluster_start made, from
# any shell (tests restart the server under a running program):
#     pg_cluster_ctl /tmp/tallyard-pg.XXXXXX stop|start
pg_cluster_ctl() {
    local dir=$1 action=$2 bin run=()
    bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
    [[ $(id -u) -eq 0 ]] && run=(runuser -u postgres --)
    if [[ $action == stop ]]; then
        "${run[@]}" "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
    else
        "${run[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
            -o "-k $dir -c listen_addresses='' -c fsync=off -c max_connections=200" start >/dev/null
    fi
}

pg_cluster_stop() {
    [[ -n "${PG_CLUSTER_DIR:-}" ]] || return 0
    "${PG_CLUSTER_RUN[@]}" "$PG_CLUSTER_BIN/pg_ctl" -D "$PG_CLUSTER_DIR/data" -m fast stop >/dev/null 2>&1 || true
    rm -rf "$PG_CLUSTER_DIR"
    unset PG_CLUSTER_DIR TALLYARD_TEST_PG_URL
}
