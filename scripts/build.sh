#!/usr/bin/env bash
# Configures and builds one build folder.  build.sh <folder> [extra cmake arguments...]
# With ccache installed (the set-up script installs it), compilations are cached across builds
# and clean clones, which keeps repeated CI runs and the three sanitizer builds short.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
dir=$1
shift
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$top}
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$top" -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
