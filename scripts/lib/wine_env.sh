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
# Wine's loader, by the way 32-bit code runs (lib/machine.sh). Natively,
# Debian's "wine" starts the 32-bit loader whenever wine32 is installed.
# Emulated, the launcher folder's loaders (lib/emulation.sh): its wine64 for
# a 64-bit prefix, whose 32-bit processes it starts under the emulator, and
# its emulated "wine" for a 32-bit one, where every process is 32-bit. With
# no 32-bit code the 64-bit test tree runs through the 64-bit loader, named
# directly. Wine starts its own processes with the loader in WINELOADER.
source "$(dirname "${BASH_SOURCE[0]}")/machine.sh"
kestro_32bit_way=$(thirty_two_bit_way) || exit 2
case "$kestro_32bit_way" in
  native)
    KESTRO_WINE=wine ;;
  emulated)
    if [ "$WINEARCH" = win32 ]; then KESTRO_WINE=$KESTRO_EMULATED_WINE_DIR/wine; else KESTRO_WINE=$KESTRO_EMULATED_WINE_DIR/wine64; fi
    if [ ! -x "$KESTRO_WINE" ]; then
      echo "the emulated Wine launcher is missing ($KESTRO_WINE): scripts/test, demo and bench make it" >&2
      exit 1
    fi
    export WINELOADER=$KESTRO_WINE ;;
  *)
    KESTRO_WINE=/usr/lib/wine/wine64
    export WINELOADER=$KESTRO_WINE ;;
esac
export WINEDEBUG=${WINEDEBUG:--all}
# Wine never downloads Mono or Gecko (mscoree, mshtml), and never turns the
# shortcuts an installer makes into menu entries and desktop files of the
# Linux user (winemenubuilder); a crash ends the process at once instead of
# waiting in the debugger (winedbg).
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"}
