#!/usr/bin/env bash
# Sets up the machine, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test suite. Extra arguments go to ctest (for example -R kvrutil).
#   scripts/test.sh --tsan [ctest arguments]   the same with ThreadSanitizer, in build-tsan/, without
#                                              the suites that start Chromium (label webengine)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
"$here/install-deps.sh"
if [ "${1:-}" = --tsan ]; then
  shift
  build=${KVR_TSAN_BUILD_DIR:-$top/build-tsan}
  "$here/build.sh" "$build" -DCMAKE_BUILD_TYPE=Debug -DKVR_SANITIZE=OFF -DKVR_TSAN=ON -DKVR_BUILD_TESTS=ON
  jobs=$(( $(nproc) > 4 ? 4 : $(nproc) )) # the thread sanitizer is slow: leave room for timing
  # Chromium (the suites labelled webengine) does not run under the thread sanitizer.
  extra=(-LE webengine)
else
  build=${KVR_TEST_BUILD_DIR:-$top/build-test}
  "$here/build.sh" "$build" -DCMAKE_BUILD_TYPE=Debug -DKVR_SANITIZE=ON -DKVR_BUILD_TESTS=ON
  jobs=$(nproc)
  extra=()
fi
cd "$build"
ctest --output-on-failure --timeout 600 -j "$jobs" "${extra[@]}" "$@"
