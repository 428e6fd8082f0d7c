#!/usr/bin/env bash
# Builds and runs the population benchmark under Wine in a virtual display.
# Arguments go to population_bench, e.g.
#   bench/run.sh --sizes 10000,50000 --runs 5 --raw-runs 1 --extra-runs 3
#   bench/run.sh --measures sorts,questions    (population, firstpage, sorts,
#                                                questions, clipboard and
#                                                deletereport by default)
#   bench/run.sh --measures clipboard,deletereport
#   bench/run.sh --measures refresh            (the list following its folder)
#   bench/run.sh --measures paint              (the caption panel's paint)
#   bench/run.sh --measures window             (Wayfold's form around the list)
#   bench/run.sh --measures memory             (bytes per row, a process per list)
#   bench/run.sh --sizes 1000000 --measures wholefolder
#   bench/run.sh --measures background         (the thread pool; thumbnails of
#                                                2,000 pictures it makes once)
#   bench/run.sh --measures selection          (check boxes: a ticked tree's
#                                                totals, a page with boxes, a
#                                                tick between linked lists)
# The delete report measure deletes files of folders of its own (one per
# size and repetition, under <root>\deletereport): each run makes them whole
# again first.
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
# files from inside Wine takes many minutes; made from here they take
# seconds. The benchmark alone defines the folders: it lists the files of
# each one that is missing or wrong, and they are made here as listed.
make_bench_folders() {
  local lists
  lists="$(mktemp -d)"
  # One file of names per folder and size: "<n>.folder" holds folder n's
  # path, "<n>.<bytes>.names" the names of its files of that size. A folder
  # marked "tree" (n.tree) is made anew whole, and its files' names are
  # paths below it, their folders made first.
  if ! "$WINE_BIN" "$bench_exe" "$@" --list-missing-folders 2>/dev/null | tr -d '\r' |
    awk -F '\t' -v out="$lists" '
      # The lists of a folder are closed when the next folder starts: awk
      # may hold only so many files open, and each folder has 97 lists.
      $1 == "folder" {
        for (f in names) close(f)
        split("", names)
        n++; print $2 > (out "/" n ".folder"); close(out "/" n ".folder")
        if ($3 == "tree") { printf "" > (out "/" n ".tree"); close(out "/" n ".tree") }
      }
      $1 == "file" {
        f = out "/" n "." $2 ".names"; names[f] = 1
        gsub(/\\/, "/", $3); print $3 > f
      }'; then
    # A request for help or an option it cannot read: the run says so.
    rm -rf "$lists"
    return 0
  fi
  local folder_file n windows_path unix_path names bytes
  for folder_file in "$lists"/*.folder; do
    [ -e "$folder_file" ] || continue
    n="$(basename "$folder_file" .folder)"
    windows_path="$(cat "$folder_file")"
    unix_path="$("$WINE_BIN" winepath -u "$windows_path" 2>/dev/null | tr -d '\r')"
    [ -n "$unix_path" ] || continue
    echo "Creating the files of $windows_path"
    mkdir -p "$unix_path"
    if [ -e "$lists/$n.tree" ]; then
      # Whatever lies below a wrong tree (a folder too many) would stay.
      find "$unix_path" -mindepth 1 -delete
    else
      find "$unix_path" -maxdepth 1 -type f -delete
    fi
    for names in "$lists/$n".*.names; do
      bytes="${names#"$lists/$n."}"
      bytes="${bytes%.names}"
      # Sparse: truncate only sets the length.
      (cd "$unix_path" &&
        sed -n 's|/[^/]*$||p' "$names" | sort -u | xargs -r -d '\n' mkdir -p &&
        xargs -d '\n' -a "$names" touch &&
        xargs -d '\n' -a "$names" truncate -s "$bytes")
    done
  done
  rm -rf "$lists"
}

prepare_wine_prefix
trap cleanup EXIT
ensure_display
start_wineserver
make_bench_folders "$@"

status=0
"$WINE_BIN" "$bench_exe" "$@" || status=$?
echo "bench/run.sh: whole run took $((SECONDS - run_started)) s (exit $status)"
exit "$status"
