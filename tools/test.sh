#!/usr/bin/env bash
# Builds Wayfold and runs every test under Wine in a virtual display.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
install_missing_packages
build_project
prepare_wine_prefix
trap cleanup EXIT
ensure_display
start_wineserver
cd "$BUILD_DIR"
ctest --output-on-failure --timeout 300 -j1 "$@"
