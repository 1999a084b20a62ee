# The Wine environment of the run, shared by scripts/wine-prefix and
# scripts/wine-run. The run's prefix stands for 64-bit Windows, where the
# 32-bit program runs under WoW64; KESTRO_WINE_ARCH=win32 selects a second
# prefix beside it ("<prefix>-win32") standing for 32-bit Windows.
# shellcheck shell=bash
: "${WINEPREFIX:?WINEPREFIX must be set}"
# KESTRO_WINE_PREFIX_NAME=<name> selects a prefix of its own beside the run's
# ("<prefix>-<name>"), for tests that change the machine as an installer does.
if [ -n "${KESTRO_WINE_PREFIX_NAME:-}" ]; then
  case "$WINEPREFIX" in *-"$KESTRO_WINE_PREFIX_NAME") ;; *) WINEPREFIX="$WINEPREFIX-$KESTRO_WINE_PREFIX_NAME" ;; esac
fi
if [ "${KESTRO_WINE_ARCH:-win64}" = win32 ]; then
  case "$WINEPREFIX" in *-win32) ;; *) WINEPREFIX="$WINEPREFIX-win32" ;; esac
  export WINEARCH=win32
else
  export WINEARCH=win64
fi
export WINEPREFIX
# Wine's loader. Debian's "wine" starts the 32-bit loader whenever wine32 is
# installed; a machine that cannot run 32-bit code (see machine_runs_32bit_code
# in lib/machine.sh) runs the 64-bit test tree through the 64-bit loader, named
# directly, and Wine starts its own processes with it too (WINELOADER).
source "$(dirname "${BASH_SOURCE[0]}")/machine.sh"
if machine_runs_32bit_code; then
  KESTRO_WINE=wine
else
  KESTRO_WINE=/usr/lib/wine/wine64
  export WINELOADER=$KESTRO_WINE
fi
export WINEDEBUG=${WINEDEBUG:--all}
# Wine never downloads Mono or Gecko (mscoree, mshtml), and never turns the
# shortcuts an installer makes into menu entries and desktop files of the
# Linux user (winemenubuilder); a crash ends the process at once instead of
# waiting in the debugger (winedbg).
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"}
