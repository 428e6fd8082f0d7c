#!/usr/bin/env bash
# Builds Wayfold and starts it:
#   ./tools/run.sh            Wayfold with its own saved settings (build/app/Wayfold.ini)
#   ./tools/run.sh FOLDER     Wayfold showing FOLDER, a Linux path or a Windows
#                             path (C:\windows), from a copy under build/run
#                             with a settings file of that run's own
# With a display it simply opens the window; without one it runs Wayfold on a
# virtual display, waits until the list has filled, saves a screenshot,
# prints its path and closes Wayfold.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

folder="${1:-}"
[ $# -le 1 ] || die "usage: run.sh [FOLDER]"
is_windows_path() { [[ "$1" =~ ^[A-Za-z]:($|[\\/]) || "$1" =~ ^[\\/][\\/] ]]; }
# A Linux folder is checked before anything is installed or built; a Windows
# one needs the Wine prefix to be found.
if [ -n "$folder" ] && ! is_windows_path "$folder"; then
  [ -d "$folder" ] || die "no such folder: $folder"
  folder="$(cd "$folder" && pwd)"
fi

install_missing_packages
cmake_configure
cmake_build Wayfold wayfold_probe
prepare_wine_prefix
WAYFOLD_EXE="$BUILD_DIR/app/Wayfold.exe"
PROBE_EXE="$BUILD_DIR/tools/probe/wayfold_probe.exe"

# Writes the settings file of a run of its own: UTF-16 with a byte-order
# mark, which the profile functions read as Unicode, so any folder name
# survives.
write_run_settings() {
  local file="$1" root="$2"
  { printf '\xff\xfe'
    printf '[Folder]\r\nRootFolder=%s\r\n[Pos]\r\nTop=0\r\nLeft=0\r\n' "$root" | iconv -f UTF-8 -t UTF-16LE
  } >"$file" || die "could not write $file"
}

# Points WAYFOLD_EXE at a copy of Wayfold with a settings file of its own
# that names the folder. Wine is asked to translate the path, so this runs
# in the Wine session (and on the display) that Wayfold will use: a session
# that a Wine tool starts without the display would then be Wayfold's.
use_run_settings() {
  local windows_folder unix_folder run_dir="$BUILD_DIR/run"
  if is_windows_path "$folder"; then
    windows_folder="$folder"
    unix_folder="$("$WINE_BIN" winepath -u "$folder" 2>/dev/null | tr -d '\r')" || unix_folder=""
    [ -n "$unix_folder" ] && [ -d "$unix_folder" ] || die "no such folder: $folder"
  else
    windows_folder="$("$WINE_BIN" winepath -w "$folder" 2>/dev/null | tr -d '\r')" || windows_folder=""
    [ -n "$windows_folder" ] || die "Wine could not name $folder as a Windows path"
  fi
  mkdir -p "$run_dir" || die "could not create $run_dir"
  cp "$WAYFOLD_EXE" "$run_dir/Wayfold.exe" || die "could not copy Wayfold.exe to $run_dir"
  write_run_settings "$run_dir/Wayfold.ini" "$windows_folder"
  WAYFOLD_EXE="$run_dir/Wayfold.exe"
  echo "Showing $windows_folder (settings: $run_dir/Wayfold.ini)"
}

if [ -n "${DISPLAY:-}" ]; then
  [ -z "$folder" ] || use_run_settings
  exec "$WINE_BIN" "$WAYFOLD_EXE"
fi

trap cleanup EXIT
ensure_display
start_wineserver
[ -z "$folder" ] || use_run_settings
"$WINE_BIN" "$WAYFOLD_EXE" &
wayfold_pid=$!
"$WINE_BIN" "$PROBE_EXE" wait-filled 60000 || die "Wayfold's window did not show a filled list"
screenshot="$BUILD_DIR/wayfold-screenshot.png"
import -window root "$screenshot" || die "could not take a screenshot of $DISPLAY"
echo "Screenshot: $screenshot"
[ -n "$folder" ] ||
  echo "(Wayfold showed the root folder of its own settings; ./tools/run.sh FOLDER shows FOLDER instead.)"
"$WINE_BIN" "$PROBE_EXE" close 30000 || die "Wayfold did not close"
wait "$wayfold_pid" || die "Wayfold ended with status $?"
