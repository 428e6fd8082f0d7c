# Sourced by run.sh, test.sh and bench/run.sh: installs what is missing,
# configures and builds the project, and prepares the Wine prefix, display
# and wineserver. Every step that fails says what failed on standard error
# and ends the script with a non-zero status.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

PACKAGES=(cmake make g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64
          xvfb xauth x11-utils imagemagick googletest clang-format)

# What shows that a package is usable: a command it puts on the PATH, a file
# it installs, or (wine) a function that finds it. dpkg may know a package
# whose files are gone, and a machine without dpkg has only these to go by.
declare -A PACKAGE_PROOF=(
  [cmake]="command cmake"
  [make]="command make"
  [g++-mingw-w64-x86-64-posix]="command x86_64-w64-mingw32-g++-posix"
  [mingw-w64-tools]="command x86_64-w64-mingw32-widl"
  [wine]="wine"
  [wine64]="wine"
  [xvfb]="command Xvfb"
  [xauth]="command xauth"
  [x11-utils]="command xdpyinfo"
  [imagemagick]="command import"
  [googletest]="file /usr/src/googletest/CMakeLists.txt"
  [clang-format]="command clang-format"
)

package_usable() {
  local proof="${PACKAGE_PROOF[$1]}"
  case "$proof" in
    command\ *) command -v "${proof#command }" >/dev/null 2>&1 ;;
    file\ *) [ -f "${proof#file }" ] ;;
    wine) locate_wine 2>/dev/null ;;
  esac
}

proof_text() {
  local proof="${PACKAGE_PROOF[$1]}"
  case "$proof" in
    command\ *) echo "no command ${proof#command }" ;;
    file\ *) echo "no ${proof#file }" ;;
    wine) echo "no wine64, wine or wineserver" ;;
  esac
}

package_installed() {
  if command -v dpkg-query >/dev/null 2>&1; then
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed" || return 1
  fi
  package_usable "$1"
}

# Installs the packages that are missing with apt-get (through sudo when not
# root), then checks that each of them is usable and finds Wine.
install_missing_packages() {
  local missing=() p
  for p in "${PACKAGES[@]}"; do
    package_installed "$p" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    local apt=(apt-get)
    if [ "$(id -u)" -ne 0 ]; then
      if ! command -v sudo >/dev/null 2>&1; then
        say "these packages are missing: ${missing[*]}"
        say "you are not root and sudo is not installed, so they cannot be installed from here;"
        say "as root, run: apt-get update && apt-get install --no-install-recommends ${missing[*]}"
        exit 1
      fi
      # Without a terminal sudo cannot ask for a password: it must fail, not wait.
      if [ -t 0 ]; then apt=(sudo apt-get); else apt=(sudo -n apt-get); fi
    fi
    command -v apt-get >/dev/null 2>&1 ||
      die "these packages are missing and apt-get is not available to install them: ${missing[*]}"
    say "installing the missing packages: ${missing[*]}"
    "${apt[@]}" update -qq ||
      die "'${apt[*]} update' failed (see above); the missing packages are: ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" ||
      die "'${apt[*]} install' failed (see above); install these packages by hand: ${missing[*]}"
    local unusable=()
    for p in "${missing[@]}"; do
      package_usable "$p" || unusable+=("$p ($(proof_text "$p"))")
    done
    [ ${#unusable[@]} -eq 0 ] ||
      die "after installing, these packages are still not usable: ${unusable[*]}; install them by hand"
  fi
  locate_wine || exit 1
}

cmake_configure() {
  # Configured every time: cheap once cached, and it picks up new test folders.
  cmake -S "$ROOT_DIR" -B "$BUILD_DIR" \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT_DIR/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null ||
    die "configuring the build in $BUILD_DIR failed (see CMake's messages above)"
}

# Builds the given targets, or everything.
cmake_build() {
  local targets=()
  [ $# -eq 0 ] || targets=(--target "$@")
  cmake --build "$BUILD_DIR" -j"$(nproc)" "${targets[@]}" ||
    die "the build failed (see the compiler's messages above)"
}

build_project() {
  cmake_configure
  cmake_build
}

reg_add() {
  "$WINE_BIN" reg add "$@" /f >>"$BUILD_DIR/wine-setup.log" 2>&1 ||
    die "could not set a registry value in the Wine prefix ($*); see $BUILD_DIR/wine-setup.log"
}

prepare_wine_prefix() {
  [ -f "$WINE_READY_MARK" ] && return 0
  if [ -e "$WINEPREFIX" ]; then
    # Whatever an earlier, interrupted set-up left is not trusted.
    say "the Wine prefix in $WINEPREFIX was never finished; making it again"
    "$WINESERVER_BIN" -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX" || die "could not remove the unfinished Wine prefix $WINEPREFIX"
  fi
  echo "Creating the Wine prefix in $WINEPREFIX"
  mkdir -p "$WINEPREFIX" "$XDG_DATA_HOME" || die "could not create $WINEPREFIX"
  : >"$BUILD_DIR/wine-setup.log"
  "$WINE_BIN" wineboot -i >>"$BUILD_DIR/wine-setup.log" 2>&1 || {
    tail -n 20 "$BUILD_DIR/wine-setup.log" >&2
    die "Wine could not create its prefix in $WINEPREFIX (log: $BUILD_DIR/wine-setup.log)"
  }
  # A virtual desktop: without a window manager every hide or destroy of a
  # visible window otherwise costs about two seconds.
  reg_add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default
  reg_add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768
  # A crash must fail a test, not wait for someone to close a dialog.
  reg_add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
  reg_add 'HKCR\.txt' /ve /d txtfile
  # The registry reaches the disk when the server ends.
  "$WINESERVER_BIN" -w || die "the wineserver of $WINEPREFIX did not end cleanly"
  [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/user.reg" ] ||
    die "Wine wrote no registry into $WINEPREFIX (log: $BUILD_DIR/wine-setup.log)"
  touch "$WINE_READY_MARK" || die "could not write $WINE_READY_MARK"
}

XVFB_PID=""
ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n=99
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$BUILD_DIR/xvfb.log" 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && return 0
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  tail -n 5 "$BUILD_DIR/xvfb.log" >&2
  die "Xvfb did not start on $DISPLAY (log: $BUILD_DIR/xvfb.log)"
}

OWN_WINESERVER=""
start_wineserver() {
  # One persistent server for the whole run: each process then starts in
  # a fraction of a second. A server that is already running for this
  # prefix (another run's) is shared, and left to whoever started it.
  if "$WINESERVER_BIN" -p >/dev/null 2>&1; then OWN_WINESERVER=1; fi
  # The first process starts the prefix's services; one that cannot start
  # twice running means that no test could. (Wine now and then fails to
  # start a single process.)
  if ! "$WINE_BIN" cmd /c exit >>"$BUILD_DIR/wine-setup.log" 2>&1; then
    say "Wine failed to start its first process in $WINEPREFIX; trying once more"
    "$WINE_BIN" cmd /c exit >>"$BUILD_DIR/wine-setup.log" 2>&1 ||
      die "Wine cannot start a process in $WINEPREFIX (log: $BUILD_DIR/wine-setup.log);" \
        "remove $WINE_READY_MARK to have the prefix made again"
  fi
}

cleanup() {
  if [ -n "$OWN_WINESERVER" ]; then
    "$WINESERVER_BIN" -k >/dev/null 2>&1 || true
    "$WINESERVER_BIN" -w >/dev/null 2>&1 || true
  fi
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}
