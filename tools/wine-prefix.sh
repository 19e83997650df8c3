# Sourced by the scripts that run programs under Wine.
#
# zv_select_wine ARCH: chooses the Wine loader for ARCH (win32 or win64) and
# exports WINEARCH, WINELOADER and ZV_WINE (the loader to run programs with).
# The 64-bit loader is called by its own name: Debian's "wine" starts the
# 32-bit loader whenever it is installed, which fails on a machine that
# cannot execute 32-bit code. Returns 1, saying why, when there is none.
#
# zv_prepare_prefix makes the Wine prefix $WINEPREFIX ready once: a Windows
# of the chosen bitness, windows left unmanaged (with no window manager on
# the X server, a managed window that closes makes Wine wait two seconds for
# the manager), and Wine's own fonts, among them the dialogs' MS Sans Serif,
# where Wine finds them (without them every face falls back to a host font
# with other metrics, and the dialogs would not measure and look as they do
# on Windows). The caller serialises concurrent calls. On failure it says
# which step failed and what Wine printed, and returns 1.
# zv_tree_wine_arch TREE prints the Wine bitness (win32, win64) of a
# configured Windows build tree, as its wine-run.sh selects it, and nothing
# for any other tree.
zv_tree_wine_arch() {
  [ -f "$1/wine-run.sh" ] && sed -n 's/^zv_select_wine \(win[0-9]*\).*/\1/p' "$1/wine-run.sh"
  return 0
}

zv_select_wine() {
  export WINEARCH=$1
  local loader
  if [ "$1" = win64 ]; then
    loader=$(command -v wine64 || true)
    [ -n "$loader" ] || [ ! -x /usr/lib/wine/wine64 ] || loader=/usr/lib/wine/wine64
    if [ -z "$loader" ]; then
      echo "wine: no 64-bit Wine loader (wine64) is installed" >&2
      return 1
    fi
  else
    loader=$(command -v wine || true)
    if [ -z "$loader" ]; then
      echo "wine: no Wine is installed" >&2
      return 1
    fi
  fi
  export ZV_WINE=$loader
  # Wine starts its helper programs (wineboot, services) with WINELOADER.
  [ "$1" = win64 ] && export WINELOADER=$loader
  return 0
}

# Runs one preparation step, keeping what Wine printed for the message in a
# file: the wineserver and the services a step starts outlive it, and would
# hold a pipe open.
zv_prefix_step() {
  local what=$1 log="$WINEPREFIX.log"
  shift
  "$@" >"$log" 2>&1 </dev/null && return 0
  echo "wine prefix $WINEPREFIX ($WINEARCH): $what failed (exit status $?); Wine printed:" >&2
  tail -n 15 "$log" >&2
  return 1
}

zv_prepare_prefix() {
  if [ ! -f "$WINEPREFIX/.initialised" ]; then
    zv_prefix_step "creating the prefix (wineboot -i)" "$ZV_WINE" wineboot -i &&
      zv_prefix_step "waiting for wineserver" wineserver -w &&
      zv_prefix_step "setting windows unmanaged (reg add)" \
        "$ZV_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f &&
      zv_prefix_step "waiting for wineserver" wineserver -w &&
      touch "$WINEPREFIX/.initialised" || return 1
  fi
  if [ ! -f "$WINEPREFIX/.fonts" ]; then
    local fonts
    fonts="$(dirname "$(readlink -f "$(command -v wineserver)")")/../../share/wine/fonts"
    [ -d "$fonts" ] || fonts=/usr/share/wine/fonts
    if [ -d "$fonts" ]; then
      mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
      cp -n "$fonts"/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    fi
    touch "$WINEPREFIX/.fonts"
  fi
}
