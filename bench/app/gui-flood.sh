#!/usr/bin/env bash
# Whole-program flood benchmark: runs the built program in a real window on a
# private Xvfb display, floods it through a pseudo-terminal and prints drain
# rates, event latency and resident memory. Usage: gui-flood.sh BUILD_DIR [--mib N]
set -euo pipefail

build=${1:?usage: gui-flood.sh BUILD_DIR [--mib N] [--keep]}
shift
program="$build/src/app/kestrelon"
[ -x "$program" ] || { echo "gui-flood: $program is not built" >&2; exit 1; }
command -v python3 >/dev/null || { echo "gui-flood: python3 is missing (package python3)" >&2; exit 1; }
reference="$build/bench/app/reference-window"
[ -x "$reference" ] && set -- --reference "$reference" "$@"
exec python3 "$(dirname "$0")/gui-flood.py" "$program" "$@"
