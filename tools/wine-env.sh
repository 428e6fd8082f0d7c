# Sourced by the other scripts: the project's own Wine prefix and display.
# BUILD_DIR may be set by the caller; the default is the checkout's build/.
ROOT_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT_DIR/build}"
export WINEPREFIX="$BUILD_DIR/wine"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine's recycle bin is the host's trash: keep it inside the build folder.
export XDG_DATA_HOME="$BUILD_DIR/xdg-data"
if [ -x /usr/lib/wine/wine64 ]; then
  export WINELOADER=/usr/lib/wine/wine64
  WINE_BIN=/usr/lib/wine/wine64
else
  WINE_BIN="$(command -v wine64 || command -v wine)"
fi
WINESERVER_BIN="$(command -v wineserver || echo /usr/lib/wine/wineserver64)"
[ -x "$WINESERVER_BIN" ] || WINESERVER_BIN=/usr/lib/wine/wineserver64
export WINESERVER="$WINESERVER_BIN"
