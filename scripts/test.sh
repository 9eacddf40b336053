#!/usr/bin/env bash
# The test command: installs what is missing, builds the Linux programs and runs the whole Linux test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh linux
scripts/build.sh linux
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen}
export ORVANE_NO_DIALOGS=1
ctest --preset linux
