#!/usr/bin/env bash
# CMake's cross-compiling emulator: runs one Windows executable under Wine in
# the project's prefix (CTest's test runs and test discovery).
#
# Now and then Wine fails to start a process: it ends in milliseconds with a
# non-zero status and without a byte of output, before any code of ours ran.
# Only such a start is made once more; every other failure is the program's
# result and stands. Wine's error channel is kept in a log for each run, so a
# failed start leaves what Wine said about it in build/wine-logs (or
# WINE_RUN_LOG_DIR), and the restart is told on standard error and in the
# folder's restarts.log (which test.sh reports, as CTest shows nothing of a
# test that passed).
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

locate_wine || exit 1
[ -f "$WINE_READY_MARK" ] ||
  die "the Wine prefix $WINEPREFIX is not ready; ./tools/test.sh makes it (and runs the tests)"
[ $# -gt 0 ] || die "usage: wine-run.sh program.exe [arguments...]"

log_dir="${WINE_RUN_LOG_DIR:-$BUILD_DIR/wine-logs}"
mkdir -p "$log_dir" || die "could not create $log_dir"
out_copy="$(mktemp "$log_dir/stdout.XXXXXX")" || die "could not create a file in $log_dir"
wine_log="$(mktemp "$log_dir/stderr.XXXXXX")" || die "could not create a file in $log_dir"
trap 'rm -f "$out_copy" "$wine_log"' EXIT

# Lines of Wine's debug channels, which only the log keeps; and those with
# Wine's loader messages too, which are no sign that the program ran (a
# crash report of a program that did run is passed on all the same).
debug_line='^([0-9a-f]{4}:)?(err|fixme|warn|trace):'
wine_line="$debug_line|^wine: "

run_once() {
  # The program's standard output goes through at once (a test that hangs
  # still shows how far it got); its standard error shares the descriptor
  # with Wine's messages and is passed on once the process has ended.
  WINEDEBUG=err+all "$WINE_BIN" "$@" 2>"$wine_log" | tee "$out_copy"
  status=${PIPESTATUS[0]}
  own_output=0
  [ -s "$out_copy" ] && own_output=1
  if [ -s "$wine_log" ]; then
    grep -Ev "$debug_line" "$wine_log" >&2
    grep -Eqv "$wine_line" "$wine_log" && own_output=1
  fi
  return 0
}

run_once "$@"
if [ "$status" -ne 0 ] && [ "$own_output" -eq 0 ]; then
  failed_log="$log_dir/start-failure-$(date -u +%Y%m%dT%H%M%S)-$$.log"
  mv "$wine_log" "$failed_log"
  : >"$wine_log"
  note="$(date -u +%FT%TZ) $* ended with status $status before writing anything: Wine failed to start it;"
  note+=" started it again (Wine's log of the failed start: $failed_log)"
  echo "$note" >>"$log_dir/restarts.log"
  say "$note"
  : >"$out_copy"
  run_once "$@"
  if [ "$status" -ne 0 ] && [ "$own_output" -eq 0 ]; then
    mv "$wine_log" "$failed_log.again"
    say "$1 failed to start again, with status $status; Wine's log: $failed_log.again"
  fi
fi
exit "$status"
