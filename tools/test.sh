#!/usr/bin/env bash
# Builds Wayfold and runs every test under Wine in a virtual display.
# Arguments go to CTest (e.g. -R ShellList).
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
install_missing_packages
# The layout is part of the change: a source not laid out as .clang-format
# says fails the run before anything is built.
"$ROOT_DIR/tools/format.sh" --check || die "the sources' layout differs from .clang-format"
build_project
prepare_wine_prefix
trap cleanup EXIT
ensure_display
start_wineserver

# A failed test fails the run at once. Only a process that Wine failed to
# start is started again, by the emulator (tools/wine-run.sh), which notes
# each such restart: they are listed here, since CTest shows nothing of a
# test that then passed.
restarts="$BUILD_DIR/wine-logs/restarts.log"
restarts_before=0
[ -f "$restarts" ] && restarts_before=$(wc -l <"$restarts")
status=0
(cd "$BUILD_DIR" && ctest --output-on-failure --timeout 300 -j1 "$@") || status=$?
if [ -f "$restarts" ] && [ "$(wc -l <"$restarts")" -gt "$restarts_before" ]; then
  say "Wine failed to start these test processes, which were started again:"
  tail -n +"$((restarts_before + 1))" "$restarts" >&2
fi
[ "$status" -eq 0 ] || say "CTest reported failures (exit status $status)"
exit "$status"
