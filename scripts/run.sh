#!/usr/bin/env bash
# Sets up the machine, builds the player and starts it. Arguments go to the player.
#
# When no service hosts are configured (neither KVR_HOSTS_INI nor a [hosts] section with a
# service in build/bin/config.ini), the player runs against a local demo of the web service:
# fakeservice-server --demo, started here and stopped when the player ends.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
"$here/install-deps.sh"
"$here/build.sh" "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVR_SANITIZE=OFF -DKVR_BUILD_TESTS=OFF
player="$top/build/bin/VyoPlayer"
if [ ! -x "$player" ]; then
  echo "Built everything in $top/build/bin; the player program itself is not built yet."
  exit 0
fi

# True when the INI file has a [hosts] section with a non-empty service key.
names_a_service_host() {
  [ -f "$1" ] || return 1
  awk '
    /^[[:space:]]*\[/ { inHosts = ($0 ~ /^[[:space:]]*\[hosts\][[:space:]]*$/); next }
    inHosts && /^[[:space:]]*service[[:space:]]*=[[:space:]]*[^[:space:]]/ { found = 1 }
    END { exit !found }
  ' "$1"
}

server="$top/build/tests/fakeservice-server"
if [ -n "${KVR_HOSTS_INI:-}" ] || names_a_service_host "$top/build/bin/config.ini"; then
  exec "$player" "$@"
fi
if [ ! -x "$server" ]; then
  echo "No service hosts are configured and $server is missing; the player runs without a service." >&2
  exec "$player" "$@"
fi

demo=$(mktemp -d "${TMPDIR:-/tmp}/kvr-demo.XXXXXX")
server_pid=
stop_demo() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$demo"
}
trap stop_demo EXIT
# A signal ends the script through exit, so the EXIT trap stops the server.
trap 'exit 130' INT
trap 'exit 143' TERM HUP

echo "Starting the local demo of the web service (songs are made with ffmpeg; a few seconds)..."
"$server" --demo --hosts-ini "$demo/hosts.ini" >"$demo/server.log" 2>&1 &
server_pid=$!
# The server writes the INI only once the whole demo is served.
for _ in $(seq 1 600); do
  [ -f "$demo/hosts.ini" ] && break
  if ! kill -0 "$server_pid" 2>/dev/null; then
    break
  fi
  sleep 0.2
done
if [ ! -f "$demo/hosts.ini" ]; then
  echo "The local demo service did not start; the player runs without it. Its output:" >&2
  cat "$demo/server.log" >&2 || true
  stop_demo
  server_pid=
  trap - EXIT
  exec "$player" "$@"
fi
export KVR_HOSTS_INI="$demo/hosts.ini"
echo "Demo service: $(tr '\n' ' ' <"$demo/server.log")"

status=0
"$player" "$@" || status=$?
exit "$status"
