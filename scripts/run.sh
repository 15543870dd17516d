#!/usr/bin/env bash
# Installs what is missing, builds, and starts the Lumaxis main window.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
exec ./build/src/lumaxis "$@"
