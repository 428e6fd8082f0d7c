# Sourced by run.sh and test.sh: installs what is missing, configures and
# builds the project, and prepares the Wine prefix, display and wineserver.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

PACKAGES=(cmake make g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64
          xvfb xauth x11-utils imagemagick googletest)

install_missing_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build_project() {
  # Configured every time: cheap once cached, and it picks up new test folders.
  cmake -S "$ROOT_DIR" -B "$BUILD_DIR" \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT_DIR/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$BUILD_DIR" -j"$(nproc)"
}

reg_add() { "$WINE_BIN" reg add "$@" /f >/dev/null 2>&1; }

prepare_wine_prefix() {
  [ -f "$WINEPREFIX/.wayfold-ready" ] && return 0
  echo "Creating the Wine prefix in $WINEPREFIX"
  mkdir -p "$WINEPREFIX" "$XDG_DATA_HOME"
  "$WINE_BIN" wineboot -i >/dev/null 2>&1 || true
  # A virtual desktop: without a window manager every hide or destroy of a
  # visible window otherwise costs about two seconds.
  reg_add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default
  reg_add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768
  # A crash must fail a test, not wait for someone to close a dialog.
  reg_add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
  reg_add 'HKCR\.txt' /ve /d txtfile
  "$WINESERVER_BIN" -w
  touch "$WINEPREFIX/.wayfold-ready"
}

XVFB_PID=""
ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n=99
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "Xvfb did not start on $DISPLAY" >&2
  return 1
}

OWN_WINESERVER=""
start_wineserver() {
  # One persistent server for the whole run: each process then starts in
  # a fraction of a second. A server that is already running for this
  # prefix (another run's) is shared, and left to whoever started it.
  if "$WINESERVER_BIN" -p >/dev/null 2>&1; then OWN_WINESERVER=1; fi
  "$WINE_BIN" cmd /c exit >/dev/null 2>&1 || true
}

cleanup() {
  if [ -n "$OWN_WINESERVER" ]; then
    "$WINESERVER_BIN" -k >/dev/null 2>&1 || true
    "$WINESERVER_BIN" -w >/dev/null 2>&1 || true
  fi
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
}
