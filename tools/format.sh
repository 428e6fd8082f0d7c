#!/usr/bin/env bash
# Lays out every C++ source of the project with the committed .clang-format.
# With --check it changes nothing and fails, naming the files, when any of
# them is not laid out so; tools/test.sh runs that check first.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
command -v clang-format >/dev/null 2>&1 || {
  echo "format.sh: clang-format is not installed (apt-get install clang-format)" >&2
  exit 1
}
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  unformatted=()
  for f in "${files[@]}"; do
    [ -f "$f" ] || continue
    clang-format "$f" | cmp -s - "$f" || unformatted+=("$f")
  done
  if [ ${#unformatted[@]} -gt 0 ]; then
    echo "format.sh: these files are not laid out as .clang-format says; run tools/format.sh:" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
  fi
  exit 0
fi
clang-format -i "${files[@]}"
