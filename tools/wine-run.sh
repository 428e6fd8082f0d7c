#!/usr/bin/env bash
# CMake's cross-compiling emulator: runs one Windows executable under Wine in
# the project's prefix.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
locate_wine || exit 1
exec "$WINE_BIN" "$@"
