#!/usr/bin/env bash
# `make bench`: installs what the comparison needs when it is missing, then
# runs scripts/bench.py (see there for what is measured and how).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bash "$here/install-deps.sh" handbrake-cli gnuplot-nox python3
exec python3 "$here/bench.py" "${1:-build}"
