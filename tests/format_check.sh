#!/usr/bin/env bash
# Fails, naming the files, when clang-format 14 with the repository's
# .clang-format would change any tracked C++ source or header.
#   usage: format_check.sh SOURCE-DIR
set -euo pipefail
cd "${1:?usage: $0 SOURCE-DIR}"
command -v clang-format-14 >/dev/null ||
  { echo "clang-format-14 is not installed (scripts/setup installs it)" >&2; exit 1; }
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  echo "not a git checkout: no list of tracked files, skipped"
  exit 77
fi

mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
report=$(clang-format-14 --dry-run "${files[@]}" 2>&1)
mapfile -t unformatted < <(sed -n 's/^\(.*\):[0-9]*:[0-9]*: warning: .*\[-Wclang-format-violations\]$/\1/p' <<<"$report" | sort -u)
if [[ ${#unformatted[@]} -gt 0 ]]; then
  echo "clang-format would change these files (clang-format -i FILE mends them):"
  printf '  %s\n' "${unformatted[@]}"
  exit 1
fi
echo "${#files[@]} files as clang-format writes them"
