#!/usr/bin/env bash
# Runs every benchmark of a build: each Google Benchmark executable in
# BUILD_DIR/bench and its folders, then the whole-program flood under Xvfb, and prints a summary.
# Usage: run-benchmarks.sh BUILD_DIR   (BENCH_FILTER=regex narrows the benchmarks,
# FLOOD_MIB=N sets the flood size, SKIP_GUI_FLOOD=1 leaves the flood out)
set -uo pipefail

build=$(cd "${1:?usage: run-benchmarks.sh BUILD_DIR}" && pwd) || exit 1
here=$(cd "$(dirname "$0")/.." && pwd)
logs=$(mktemp -d -t kestrelon-bench-XXXXXX)
failed=()
ran=0

for exe in $(find "$build/bench" -type f -executable -name 'bench_*' | sort); do
  name=$(basename "$exe")
  echo "== $name"
  args=(--benchmark_counters_tabular=true)
  [ -n "${BENCH_FILTER:-}" ] && args+=("--benchmark_filter=$BENCH_FILTER")
  # Each benchmark gets its own private settings and temporary files.
  if (cd "$logs" && HOME="$logs" XDG_CONFIG_HOME="$logs/config" QT_QPA_PLATFORM=offscreen \
      "$exe" "${args[@]}") 2>&1 | tee "$logs/$name.txt"; then
    ran=$((ran + 1))
  else
    failed+=("$name")
  fi
done

if [ -z "${SKIP_GUI_FLOOD:-}" ]; then
  echo "== gui-flood"
  if "$here/bench/app/gui-flood.sh" "$build" 2>&1 | tee "$logs/gui-flood.txt"; then
    ran=$((ran + 1))
  else
    failed+=(gui-flood)
  fi
  echo "== gui-flood, Terminal view shown"
  if "$here/bench/app/gui-flood.sh" "$build" --view terminal --starts 1 2>&1 | tee "$logs/gui-flood-terminal.txt"; then
    ran=$((ran + 1))
  else
    failed+=(gui-flood-terminal)
  fi
fi

echo
echo "== summary (full output in $logs)"
for log in "$logs"/*.txt; do
  [ -e "$log" ] || continue
  name=$(basename "$log" .txt)
  if [ "${name#gui-flood}" != "$name" ]; then
    grep '^gui-flood:' "$log" | sed "s/^gui-flood:/$name:/"
  else
    # One line per benchmark: its name, time and counters; then the lines that
    # judge a figure against its target.
    grep -E '^[A-Za-z_][A-Za-z0-9_<>:/,.-]* +[0-9.]+ [a-z]+ ' "$log" | sed "s/^/$name: /"
    grep -E '(met|MISSED)$' "$log" | sed "s/^/$name: /"
  fi
done
echo "benchmarks run: $ran, failed: ${#failed[@]}${failed:+ (${failed[*]})}"
[ ${#failed[@]} -eq 0 ]
