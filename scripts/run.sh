#!/usr/bin/env bash
# Runs what `make run` should run for the build in $1.
set -euo pipefail
build_dir=${1:-build}
bin="$build_dir/bin"

if [ -x "$bin/kivotra" ]; then
  exec "$bin/kivotra"
fi
echo "kivotra: the application is not built yet in $bin; only the libraries and their tests exist so far." >&2
exit 1
