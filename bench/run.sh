#!/usr/bin/env bash
# Builds and runs the population benchmark under Wine in a virtual display.
# Arguments go to population_bench, e.g.
#   bench/run.sh --sizes 10000,50000 --runs 5 --raw-runs 1 --extra-runs 3
# BUILD_DIR picks another build folder (and with it another Wine prefix), so a
# benchmark need not share a wineserver with a test run in progress.
source "$(dirname "${BASH_SOURCE[0]}")/../tools/setup.sh"
run_started=$SECONDS

install_missing_packages
cmake_configure
# Only the benchmark and what it links: a half-finished target elsewhere in
# the tree must not stop a measurement.
cmake_build population_bench
bench_exe="$(find "$BUILD_DIR" -path "$WINEPREFIX" -prune -o -name population_bench.exe -print \
  -quit)"
[ -n "$bench_exe" ] || die "the build made no population_bench.exe in $BUILD_DIR"

# Wine looks a new name up by reading the whole folder, so creating 50,000
# files from inside Wine takes many minutes; created from here they take
# seconds. The benchmark checks and reuses them, and still creates them
# itself when run any other way.
precreate_bench_folders() {
  local sizes="10000,50000" root='C:\wfbench'
  local args=("$@") i
  for ((i = 0; i + 1 < ${#args[@]}; i++)); do
    case "${args[i]}" in
      --sizes) sizes="${args[i + 1]}" ;;
      --root) root="${args[i + 1]}" ;;
    esac
  done
  local unix_root
  unix_root="$("$WINE_BIN" winepath -u "$root" 2>/dev/null | tr -d '\r')" || return 0
  [ -n "$unix_root" ] || return 0
  local size folder digits
  for size in ${sizes//,/ }; do
    folder="$unix_root/$size"
    digits=$(( ${#size} > 5 ? ${#size} : 5 ))
    mkdir -p "$folder"
    # File i is (i mod 97) KB long (sparse), as the benchmark makes them.
    if [ "$(find "$folder" -maxdepth 1 -type f | wc -l)" -eq "$size" ] &&
       [ -e "$folder/$(printf "f%0${digits}d.txt" 1)" ] &&
       [ "$(stat -c %s "$folder/$(printf "f%0${digits}d.txt" 2)")" -eq 2048 ] &&
       [ "$(stat -c %s "$folder/$(printf "f%0${digits}d.txt" "$size")")" -eq $(( size % 97 * 1024 )) ]; then
      continue
    fi
    echo "Creating $size files in $folder"
    find "$folder" -maxdepth 1 -type f -delete
    (cd "$folder" && seq 1 "$size" | xargs printf "f%0${digits}d.txt\n" | xargs touch)
    for ((kb = 1; kb < 97; kb++)); do
      (cd "$folder" && seq "$kb" 97 "$size" | xargs -r printf "f%0${digits}d.txt\n" |
        xargs -r truncate -s "${kb}K")
    done
  done
}

prepare_wine_prefix
trap cleanup EXIT
ensure_display
start_wineserver
precreate_bench_folders "$@"

status=0
"$WINE_BIN" "$bench_exe" "$@" || status=$?
echo "bench/run.sh: whole run took $((SECONDS - run_started)) s (exit $status)"
exit "$status"
