# Sourced by the scripts that run programs under Wine. zv_prepare_prefix
# makes the Wine prefix $WINEPREFIX ready once: a 32-bit Windows, windows
# left unmanaged (with no window manager on the X server, a managed window
# that closes makes Wine wait two seconds for the manager), and Wine's own
# fonts, among them the dialogs' MS Sans Serif, where Wine finds them
# (without them every face falls back to a host font with other metrics, and
# the dialogs would not measure and look as they do on Windows). The caller
# serialises concurrent calls.
zv_prepare_prefix() {
  if [ ! -f "$WINEPREFIX/.initialised" ]; then
    wineboot -i >/dev/null 2>&1 && wineserver -w &&
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 &&
      wineserver -w && touch "$WINEPREFIX/.initialised" || return 1
  fi
  if [ ! -f "$WINEPREFIX/.fonts" ]; then
    local fonts
    fonts="$(dirname "$(readlink -f "$(command -v wine)")")/../share/wine/fonts"
    if [ -d "$fonts" ]; then
      mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
      cp -n "$fonts"/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    fi
    touch "$WINEPREFIX/.fonts"
  fi
}
