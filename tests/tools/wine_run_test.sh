#!/usr/bin/env bash
# The test emulator starts a process again only when Wine failed to start it
# (it ended with a non-zero status and wrote nothing), and only once; every
# other result, failures included, stands as the program gave it.
# Usage: wine_run_test.sh path/to/wine-run.sh (in a prepared build).
set -u
emulator="$1"
logs="$(mktemp -d)"
trap 'rm -rf "$logs"' EXIT
export WINE_RUN_LOG_DIR="$logs"
runs="$logs/runs.txt"
# Wine's Z: drive is the host's root.
runs_windows="Z:${runs//\//\\}"
failures=0

expect() {
  local what="$1" expected="$2" actual="$3"
  if [ "$expected" != "$actual" ]; then
    echo "FAILED: $what: expected [$expected], got [$actual]"
    failures=$((failures + 1))
  fi
}

# Runs a cmd.exe command line through the emulator; sets status, out, err
# and the number of times the program ran and was restarted.
run() {
  rm -f "$runs"
  "$emulator" cmd /c "echo run>>$runs_windows & $1" >"$logs/out" 2>"$logs/err"
  status=$?
  out="$(tr -d '\r' <"$logs/out")"
  err="$(cat "$logs/err")"
  started=$(grep -c run "$runs" 2>/dev/null)
  restarts=$(cat "$logs/restarts.log" 2>/dev/null | wc -l)
  rm -f "$logs/restarts.log"
}

run "exit 7"
expect "a silent failure is started again" 2 "$started"
expect "a silent failure keeps its status" 7 "$status"
expect "a restart is noted" 1 "$restarts"
expect "a restart is said on standard error" 1 "$(grep -c 'started it again' <<<"$err")"
expect "Wine's log of the failed start is kept" 1 "$(find "$logs" -name 'start-failure-*.log' ! -name '*.again' | wc -l)"

run "echo result & exit 3"
expect "a failure with output runs once" 1 "$started"
expect "a failure with output keeps its status" 3 "$status"
expect "a failure with output is passed on" "result " "$out"
expect "a failure with output is no restart" 0 "$restarts"

run "echo oops 1>&2 & exit 4"
expect "a failure that wrote to standard error runs once" 1 "$started"
expect "a failure that wrote to standard error keeps its status" 4 "$status"
expect "the program's standard error is passed on" 1 "$(grep -c '^oops' <<<"$err")"

run "echo fine"
expect "a success runs once" 1 "$started"
expect "a success answers 0" 0 "$status"
expect "a success's output is passed on" "fine" "$out"

run "ver >nul"
expect "a silent success runs once" 1 "$started"
expect "a silent success answers 0" 0 "$status"

[ "$failures" -eq 0 ] && echo "all emulator cases passed"
exit $((failures > 0))
