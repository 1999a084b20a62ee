# Running the 32-bit program where the CPU cannot: Wine's 32-bit loader under
# qemu-i386, everything under build/emulation/, made once and changing
# nothing outside it (no binfmt entry, no package installed). Used by
# scripts/test, demo and bench through lib/common.sh.
# shellcheck shell=bash

# qemu-user from bookworm-backports: Debian 12's own 7.2 takes about 50 s of
# CPU to start each Wine process. The package is one static program per CPU.
KESTRO_QEMU_SOURCE="deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-backports main"
KESTRO_QEMU_MAJOR=10
KESTRO_QEMU=$KESTRO_EMULATION_DIR/qemu/usr/bin/qemu-i386
KESTRO_TRAP_SHIM=$KESTRO_EMULATION_DIR/trap_number_shim.so

# qemu_version: the extracted qemu-i386's version ("10.0.2"), empty when none.
qemu_version() {
  [ -x "$KESTRO_QEMU" ] || return 0
  "$KESTRO_QEMU" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9.]*\).*/\1/p'
}

# fetch_qemu: download qemu-user with apt, through a sources list and state of
# its own (the machine's apt configuration is left as it is), and unpack it.
fetch_qemu() {
  local apt_dir=$KESTRO_EMULATION_DIR/apt
  mkdir -p "$apt_dir/state/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/download"
  echo "$KESTRO_QEMU_SOURCE" >"$apt_dir/sources.list"
  local options=(-qq -o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=-
                 -o "Dir::State=$apt_dir/state" -o "Dir::Cache=$apt_dir/cache"
                 -o "APT::Architectures::=$(dpkg --print-architecture)")
  apt-get "${options[@]}" update >&2 || return 1
  rm -f "$apt_dir/download"/*.deb
  # apt's download user may not write into a root-owned build folder.
  (cd "$apt_dir/download" && apt-get "${options[@]}" -o APT::Sandbox::User=root download qemu-user >&2) || return 1
  local deb version
  deb=$(ls "$apt_dir/download"/qemu-user_*.deb)
  version=$(dpkg-deb -f "$deb" Version)
  case "$version" in
    *:"$KESTRO_QEMU_MAJOR".*|"$KESTRO_QEMU_MAJOR".*) ;;
    *) echo "bookworm-backports offers qemu-user $version, not $KESTRO_QEMU_MAJOR.x" >&2; return 1 ;;
  esac
  # Only qemu-i386 is kept of the package's programs (400 MB in all).
  local unpacked=$KESTRO_EMULATION_DIR/qemu-unpacked
  rm -rf "$unpacked" "$KESTRO_EMULATION_DIR/qemu"
  dpkg -x "$deb" "$unpacked"
  mkdir -p "$(dirname "$KESTRO_QEMU")"
  mv "$unpacked/usr/bin/qemu-i386" "$KESTRO_QEMU"
  rm -rf "$unpacked" "$deb"
}

# build_trap_shim: the i386 library that gives Wine's fault handlers the trap
# number qemu leaves out (scripts/emulation/trap_number_shim.c), built with the
# machine's own gcc and ld, without 32-bit C library headers.
build_trap_shim() {
  local source=$KESTRO_ROOT/scripts/emulation/trap_number_shim.c
  [ "$KESTRO_TRAP_SHIM" -nt "$source" ] && return 0
  local object=$KESTRO_EMULATION_DIR/trap_number_shim.o
  gcc -m32 -ffreestanding -nostdlib -fPIC -O2 -fno-stack-protector -fvisibility=hidden \
      -Wall -Wextra -Werror -c "$source" -o "$object" &&
    ld -m elf_i386 -shared -o "$KESTRO_TRAP_SHIM.new" "$object" &&
    mv "$KESTRO_TRAP_SHIM.new" "$KESTRO_TRAP_SHIM"
}

# copy_if_changed <from> <to>: a copy that follows a Wine upgrade.
copy_if_changed() { cmp -s "$1" "$2" || cp "$1" "$2"; }

# make_emulated_wine: the launcher folder. Wine 8 starts the loader that lies
# beside the one it runs from (it ignores WINELOADER for the other size), and
# finds its libraries and data relative to it: so the folder holds a copy of
# wine64, the real 32-bit loader (a copy, so that its own path is in the
# folder), a "wine" script running that loader under qemu-i386, and links to
# Wine's library and data folders. Every 32-bit process Wine starts, from a
# 64-bit or a 32-bit one, goes through the script.
make_emulated_wine() {
  local root=$KESTRO_EMULATION_DIR/wine
  local dir=$root/lib/wine
  mkdir -p "$dir" "$root/lib/x86_64-linux-gnu" "$root/lib/i386-linux-gnu" "$root/share"
  [ -x /usr/lib/wine/wine ] || { echo "Wine's 32-bit loader is missing (wine32:i386)" >&2; return 1; }
  copy_if_changed /usr/lib/wine/wine64 "$dir/wine64"
  copy_if_changed /usr/lib/wine/wine "$dir/wine32-loader"
  ln -sfn /usr/lib/wine/wineserver64 "$dir/wineserver"
  ln -sfn /usr/lib/x86_64-linux-gnu/wine "$root/lib/x86_64-linux-gnu/wine"
  ln -sfn /usr/lib/i386-linux-gnu/wine "$root/lib/i386-linux-gnu/wine"
  ln -sfn /usr/share/wine "$root/share/wine"
  # -0 "$0": the loader's own name is the script, so the 32-bit processes it
  # starts come back here. WINELOADERNOEXEC: Wine 8 would re-run the loader
  # with a direct exec, which the kernel refuses.
  cat >"$dir/wine.new" <<EOF
#!/bin/sh
# Wine's 32-bit loader under qemu-i386 (made by scripts/lib/emulation.sh).
WINELOADERNOEXEC=1 exec "$KESTRO_QEMU" -E LD_PRELOAD="$KESTRO_TRAP_SHIM" -0 "\$0" "$dir/wine32-loader" "\$@"
EOF
  chmod +x "$dir/wine.new"
  mv "$dir/wine.new" "$dir/wine"
}

# emulation_failed <reason>: keeps why the emulator could not be prepared.
emulation_failed() { KESTRO_EMULATION_FAILURE=$1; return 1; }

# prepare_emulation: everything above, idempotent. On failure it returns
# non-zero with the reason in KESTRO_EMULATION_FAILURE.
prepare_emulation() {
  KESTRO_EMULATION_FAILURE=
  [ "$(uname -m)" = x86_64 ] || { emulation_failed "qemu-i386 is set up for x86_64 machines only, not $(uname -m)"; return; }
  mkdir -p "$KESTRO_EMULATION_DIR"
  local version
  version=$(qemu_version)
  if [ "${version%%.*}" != "$KESTRO_QEMU_MAJOR" ]; then
    log "fetching qemu-user $KESTRO_QEMU_MAJOR from bookworm-backports into $KESTRO_EMULATION_DIR/qemu"
    fetch_qemu || { emulation_failed "qemu-user $KESTRO_QEMU_MAJOR could not be fetched"; return; }
    version=$(qemu_version)
  fi
  build_trap_shim || { emulation_failed "the i386 trap number library did not build"; return; }
  make_emulated_wine || { emulation_failed "the emulated Wine launcher could not be made"; return; }
  "$KESTRO_QEMU" /lib/ld-linux.so.2 --version >/dev/null 2>&1 ||
    { emulation_failed "qemu-i386 $version does not run the 32-bit C library's loader"; return; }
}

# settle_thirty_two_bit_way: decides how 32-bit code runs for this run
# (lib/machine.sh), prepares the emulator when it is needed, says which way
# in the log and exports it (KESTRO_32BIT) for every program started later.
# When emulation cannot be prepared the way is "none", with the reason in
# KESTRO_32BIT_REASON.
settle_thirty_two_bit_way() {
  local way forced=""
  KESTRO_32BIT_REASON=
  way=$(thirty_two_bit_way) || exit 2
  [ -z "${KESTRO_32BIT:-}" ] || [ "$KESTRO_32BIT" = detect ] || forced=" (KESTRO_32BIT=$KESTRO_32BIT)"
  case "$way" in
    native)
      if ! machine_runs_32bit_code; then
        echo "KESTRO_32BIT=native, but this machine cannot run 32-bit code" >&2; exit 2
      fi
      log "32-bit code runs natively$forced" ;;
    emulated)
      if prepare_emulation; then
        log "32-bit code runs emulated, Wine's 32-bit loader under qemu-i386 $(qemu_version)$forced"
      else
        way=none
        KESTRO_32BIT_REASON="the emulator could not be prepared: $KESTRO_EMULATION_FAILURE"
      fi ;;
    none)
      [ -z "$forced" ] || KESTRO_32BIT_REASON="forced by KESTRO_32BIT=none" ;;
  esac
  if [ "$way" = none ]; then
    : "${KESTRO_32BIT_REASON:=this machine cannot run 32-bit code}"
    log "32-bit code does not run: $KESTRO_32BIT_REASON"
  fi
  export KESTRO_32BIT=$way KESTRO_32BIT_REASON
}
