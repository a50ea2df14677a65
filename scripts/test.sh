#!/usr/bin/env bash
# Sets up the machine, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test suite. Extra arguments go to ctest (for example -R kvrutil).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
"$here/install-deps.sh"
build=${KVR_TEST_BUILD_DIR:-$top/build-test}
"$here/build.sh" "$build" -DCMAKE_BUILD_TYPE=Debug -DKVR_SANITIZE=ON -DKVR_BUILD_TESTS=ON
cd "$build"
ctest --output-on-failure --timeout 600 -j "$(nproc)" "$@"
