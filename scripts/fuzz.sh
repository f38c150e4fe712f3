#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build over a copy of its committed seed corpus.
# usage: scripts/fuzz.sh BUILD_DIR SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
seconds=$2
status=0
for f in "$build"/fuzz/fuzz_*; do
  [ -f "$f" ] && [ -x "$f" ] || continue # skips the build folders beside the targets
  name=$(basename "$f")
  work=$(mktemp -d)
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$work/"
  echo "--- $name"
  if ! "$f" "$work" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
      -timeout=10 -print_final_stats=1 2>"$work.log"; then
    tail -n 60 "$work.log"
    status=1
  else
    grep -E 'stat::number_of_executed_units|Done' "$work.log" | tail -n 2 || true
  fi
  rm -rf "$work" "$work.log"
done
exit $status
