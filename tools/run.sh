#!/usr/bin/env bash
# Builds Wayfold and starts it. With a display it simply opens the window;
# without one it runs Wayfold on a virtual display, waits until the list has
# filled, saves a screenshot, prints its path and closes Wayfold.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
install_missing_packages
build_project
prepare_wine_prefix
WAYFOLD_EXE="$BUILD_DIR/app/Wayfold.exe"
PROBE_EXE="$BUILD_DIR/tools/probe/wayfold_probe.exe"

if [ -n "${DISPLAY:-}" ]; then
  exec "$WINE_BIN" "$WAYFOLD_EXE"
fi

trap cleanup EXIT
ensure_display
start_wineserver
"$WINE_BIN" "$WAYFOLD_EXE" &
wayfold_pid=$!
"$WINE_BIN" "$PROBE_EXE" wait-filled 60000 || die "Wayfold's window did not show a filled list"
screenshot="$BUILD_DIR/wayfold-screenshot.png"
import -window root "$screenshot" || die "could not take a screenshot of $DISPLAY"
echo "Screenshot: $screenshot"
"$WINE_BIN" "$PROBE_EXE" close 30000 || die "Wayfold did not close"
wait "$wayfold_pid" || die "Wayfold ended with status $?"
