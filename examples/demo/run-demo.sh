#!/usr/bin/env bash
# Runs the demo job with the host program and prints its log.
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
"$build/bin/kivxmlvw" examples/demo/job.xml || true
