#!/usr/bin/env bash
# The walk over a share whose every listing waits, on the fake platform (a
# host build, no Wine): the serial walk against the walk with listings
# fetched ahead, and the limit for the look-ahead's concurrency.
#
#   bench/latency/run.sh [delay-ms ...]        (default: 2 20)
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset host >/dev/null
cmake --build --preset host --target mwn_latency_bench >/dev/null
exec build/host/tests/unit/mwn_latency_bench "$@"
