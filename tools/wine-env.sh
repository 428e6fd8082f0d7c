# Sourced by the other scripts: the project's own Wine prefix and display.
# BUILD_DIR may be set by the caller; the default is the checkout's build/.
# Sourcing looks nothing up, so that it works before Wine is installed:
# locate_wine does that, once the packages are in place.
ROOT_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Exported for the emulator that CTest starts: it must use the same prefix.
export BUILD_DIR="${BUILD_DIR:-$ROOT_DIR/build}"
export WINEPREFIX="$BUILD_DIR/wine"
export WINEARCH=win64
export WINEDEBUG=-all
# Wine starts its menu builder for every shortcut a program saves, and that
# process reads the new .lnk file while the program that made it goes on:
# a rename of the shortcut at that moment fails as if another program held
# it. It would also write menu entries into the host user's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Wine's recycle bin is the host's trash: keep it inside the build folder.
export XDG_DATA_HOME="$BUILD_DIR/xdg-data"
# Written last by the set-up: a prefix without it was never finished.
WINE_READY_MARK="$WINEPREFIX/.wayfold-ready"
WINE_BIN=""
WINESERVER_BIN=""

# Messages go to standard error, named after the script the user ran.
say() { echo "$(basename "$0"): $*" >&2; }
die() {
  say "$@"
  exit 1
}

# Sets WINE_BIN and WINESERVER_BIN; answers non-zero, having said why, when
# Wine is not installed.
locate_wine() {
  if [ -x /usr/lib/wine/wine64 ]; then
    # Debian's 64-bit loader, called directly: the wrapper script in
    # /usr/bin adds its own start-up to every process.
    export WINELOADER=/usr/lib/wine/wine64
    WINE_BIN=/usr/lib/wine/wine64
  else
    WINE_BIN="$(command -v wine64 || command -v wine || true)"
  fi
  if [ -x /usr/lib/wine/wineserver64 ]; then
    WINESERVER_BIN=/usr/lib/wine/wineserver64
  else
    WINESERVER_BIN="$(command -v wineserver || command -v wineserver64 || true)"
  fi
  if [ -z "$WINE_BIN" ] || [ -z "$WINESERVER_BIN" ]; then
    say "Wine is not installed (no wine64/wine or wineserver found): install the packages wine and wine64"
    return 1
  fi
  export WINESERVER="$WINESERVER_BIN"
}
