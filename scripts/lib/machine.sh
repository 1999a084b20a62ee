# How this machine runs 32-bit x86 code, shared by lib/common.sh and
# lib/wine_env.sh.
# shellcheck shell=bash

KESTRO_EMULATION_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/emulation

# machine_runs_32bit_code: whether the CPU executes 32-bit x86 code. Some
# virtual machines cannot (the CPU's 32-bit code segment is missing): there
# neither a 32-bit Linux process nor a 32-bit Windows program under Wine can
# start without an emulator (lib/emulation.sh).
machine_runs_32bit_code() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

# thirty_two_bit_way: how 32-bit code runs here, "native", "emulated" (Wine's
# 32-bit loader under qemu-i386) or "none". KESTRO_32BIT=native|emulated|none
# chooses it; unset (or "detect"), the CPU decides between native and
# emulated. scripts/test, demo and bench export the way they settled on
# (lib/emulation.sh), so every program they start sees the same.
thirty_two_bit_way() {
  case "${KESTRO_32BIT:-detect}" in
    native|emulated|none) echo "$KESTRO_32BIT" ;;
    detect) if machine_runs_32bit_code; then echo native; else echo emulated; fi ;;
    *) echo "KESTRO_32BIT is native, emulated, none or detect, not '$KESTRO_32BIT'" >&2; return 2 ;;
  esac
}

# The emulated launcher's folder (lib/emulation.sh makes it): its wine64 is a
# copy of Wine's 64-bit loader, and its wine runs Wine's 32-bit loader under
# qemu-i386.
KESTRO_EMULATED_WINE_DIR=$KESTRO_EMULATION_DIR/wine/lib/wine
