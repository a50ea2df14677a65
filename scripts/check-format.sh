#!/usr/bin/env bash
# Fails when a C++ file of the tree differs from what clang-format makes of it (.clang-format).
#   check-format.sh          lists the files that need formatting
#   check-format.sh --fix    formats them in place
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.h' '*.cpp')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  printf 'check-format: not formatted (scripts/check-format.sh --fix): %s\n' "${bad[@]}"
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
