#!/usr/bin/env bash
# Starts vexlo-ipcsim on the peer site, runs the npm onvif client's checks
# against it, and stops the simulator, whatever happens.
#
#   run_peer_check.sh SIMULATOR SITE PEER_DIR [peer_check.js options...]
#
# PEER_DIR holds peer_check.js and node_modules (npm ci). Runs where the test
# suite runs: a private network namespace with lo taking multicast.
set -euo pipefail

simulator=$1
site=$2
peer_dir=$3
shift 3

fifo=$(mktemp -u "${TMPDIR:-/tmp}/vexlo-peer.XXXXXX")
mkfifo "$fifo"
sim_pid=""
cleanup() {
    if [[ -n "$sim_pid" ]] && kill -0 "$sim_pid" 2>/dev/null; then
        kill -TERM "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -f "$fifo"
}
trap cleanup EXIT INT TERM

"$simulator" --scenario "$site" --search-port 0 >"$fifo" &
sim_pid=$!
exec 3<"$fifo"
ready=""
if ! read -r -t 30 ready <&3 || [[ "$ready" != ready\ * ]]; then
    echo "run_peer_check: the simulator did not get ready (got: '$ready')" >&2
    exit 1
fi

node "$peer_dir/peer_check.js" "$site" "$@"
