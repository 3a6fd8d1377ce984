#!/usr/bin/env bash
# Every test of the project: the unit tests on the host, the same again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the end-to-end tests
# of the real MwnUpdate.exe under Wine (which the win32 workflow builds).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --workflow --preset host
cmake --workflow --preset host-sanitize
cmake --workflow --preset win32
