# What this machine can run, shared by lib/common.sh and lib/wine_env.sh.
# shellcheck shell=bash

# machine_runs_32bit_code: whether this machine can execute 32-bit x86 code.
# Some virtual machines cannot (the CPU's 32-bit code segment is missing), and
# there neither a 32-bit Linux process nor a 32-bit Windows program under Wine
# can start; the Windows tests then run in the 64-bit test tree.
machine_runs_32bit_code() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }
