#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang and libFuzzer in build-fuzz/ (KVR_FUZZ: only the
# libraries they need, AddressSanitizer and UndefinedBehaviorSanitizer) and runs each one for a
# few seconds from its seeds in fuzz/corpus/<name>/. Inputs it finds go to build-fuzz/corpus/,
# a crashing input to build-fuzz/artifacts/. Exits non-zero when a target fails.
#   scripts/fuzz.sh [seconds per target, default 10] [target names...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
"$here/install-deps.sh"

seconds=${1:-10}
[ $# -gt 0 ] && shift
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(decipher base64cus filenamebase64 httpanswer songinfoanswer updatecheck pictureindex audiofile secondstart
    playlistfile locallistfile)
fi
build=${KVR_FUZZ_BUILD_DIR:-$top/build-fuzz}
jobs=${KVR_FUZZ_JOBS:-$(nproc)}

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$top" -B "$build" -G Ninja -DKVR_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_C_FLAGS_DEBUG="-g -O1" -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$jobs" --target "${targets[@]/#/fuzz_}"

mkdir -p "$build/artifacts"
failed=()
for name in "${targets[@]}"; do
  mkdir -p "$build/corpus/$name"
  echo "fuzz: $name for ${seconds}s"
  # run-test.sh gives the target a private HOME and TMPDIR and the sanitizers' options.
  if ! "$here/run-test.sh" plain nobus "$build/fuzz/fuzz_$name" \
      -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$name-" \
      "$build/corpus/$name" "$top/fuzz/corpus/$name" >"$build/fuzz-$name.log" 2>&1; then
    failed+=("$name")
    tail -n 60 "$build/fuzz-$name.log"
  fi
  grep -E '^(stat::number_of_executed_units|stat::new_units_added)' "$build/fuzz-$name.log" | tr '\n' ' ' || true
  echo
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]} (inputs in $build/artifacts)" >&2
  exit 1
fi
echo "fuzz: all ${#targets[@]} targets ran clean"
