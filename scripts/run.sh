#!/usr/bin/env bash
# Sets up the machine, builds the player and starts it. Arguments go to the player.
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
exec "$player" "$@"
