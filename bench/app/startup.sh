#!/usr/bin/env bash
# Start-up to the main window shown, median of 10 runs, without drives and
# with one Video CD image of 2,000 files mounted. Usage: startup.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
top=$(cd "$(dirname "$0")/../.." && pwd)
"$top/tests/support/with-xvfb" "$build/bench/app/xbench_app_startup"
