# Shared by scripts/test and scripts/demo: packages, builds, a private display.
# shellcheck shell=bash

KESTRO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Everything the builds, tests and demo need, all from Debian 12's packages.
# The program is 32-bit: i686 compilers, and wine32 from the i386 architecture
# so that Wine runs it under WoW64. The x86_64 compiler builds the one 64-bit
# file, the x86_64 driver tool. NSIS's makensis builds the installer.
KESTRO_PACKAGES=(
  cmake ninja-build g++ git
  mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  wine wine64 wine32:i386 xvfb xdotool x11-utils imagemagick fonts-wqy-microhei
  libgtest-dev libgmock-dev googletest nlohmann-json3-dev libcpp-httplib-dev
  clang libclang-rt-14-dev
  iproute2 util-linux python3
  nsis
)

source "$KESTRO_ROOT/scripts/lib/machine.sh"
source "$KESTRO_ROOT/scripts/lib/emulation.sh"

# windows_test_tree: the tree whose Windows tests all run here: "windows" (the
# 32-bit program) where the CPU runs 32-bit code, otherwise "windows-x64", the
# same sources for 64-bit Windows (emulated, the 32-bit tree then runs the
# cases that need the 32-bit program: scripts/test).
windows_test_tree() {
  if [ "$(thirty_two_bit_way)" = native ]; then echo windows; else echo windows-x64; fi
}

# program_tree: the tree of the program the demo and the benchmarks run: the
# 32-bit one we ship, natively or emulated, and where 32-bit code cannot run
# at all the 64-bit test tree.
program_tree() {
  if [ "$(thirty_two_bit_way)" = none ]; then echo windows-x64; else echo windows; fi
}

# program_description: which program program_tree gives, and how it runs.
program_description() {
  case "$(thirty_two_bit_way)" in
    native) echo "the 32-bit Kestro.exe we ship, run natively" ;;
    emulated) echo "the 32-bit Kestro.exe we ship, its 32-bit code emulated (qemu-i386)" ;;
    none) echo "the 64-bit test build of Kestro.exe (32-bit code does not run: ${KESTRO_32BIT_REASON:-})" ;;
  esac
}

log() { printf '\n== %s\n' "$*"; }

# apt_update: refresh the package lists. A mirror in the middle of a sync
# fails an index now and then ("File has unexpected size"); try again after a
# pause. Returns non-zero when some index never arrived.
# (Called from ensure_packages, whose $sudo it uses.)
apt_update() {
  local try
  for try in 1 2 3; do
    $sudo apt-get update -qq && return 0
    [ "$try" -lt 3 ] && { echo "apt-get update failed (try $try of 3); again in 20 s" >&2; sleep 20; }
  done
  return 1
}

# When a list is missing, say the security archive's i386 one, its amd64 twin
# still offers newer versions that no i386 package matches, and wine32's
# multi-arch libraries cannot be installed beside them. The install then takes
# both from the main archive, which holds matching versions for both.
KESTRO_APT_PREFERENCES=$KESTRO_ROOT/scripts/lib/apt-main-archive.pref

ensure_packages() {
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  # A newly added architecture leaves wine32 missing, so the lists are
  # refreshed below.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    log "adding the i386 architecture (wine32)"
    $sudo dpkg --add-architecture i386
  fi
  local missing=()
  for p in "${KESTRO_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    log "installing ${missing[*]}"
    local apt_options=()
    if ! apt_update; then
      echo "some package lists did not arrive; installing from the main archive alone" >&2
      apt_options=(-o "Dir::Etc::Preferences=$KESTRO_APT_PREFERENCES")
    fi
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${apt_options[@]}" \
      "${missing[@]}" >/dev/null
  fi
}

# build_tree <preset> [target...]: configure once, then build those targets
# (all of the tree without any).
build_tree() {
  local preset=$1
  log "building $preset"
  if [ ! -f "$KESTRO_ROOT/build/$preset/build.ninja" ]; then
    cmake --preset "$preset" -S "$KESTRO_ROOT" >/dev/null
  fi
  shift
  cmake --build "$KESTRO_ROOT/build/$preset" ${1:+--target "$@"}
}

# start_xvfb: a private virtual display; sets DISPLAY and XVFB_PID.
start_xvfb() {
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  local number
  read -r -t 20 number <"$fifo" || true
  rm -f "$fifo"
  if [ -z "${number:-}" ]; then
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$number"
}

stop_xvfb() {
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
  fi
}

# Services the tests and the demo talk to, all on loopback, built in the
# native tree named by KESTRO_NATIVE_TREE (default: native). Each started
# service's process id is kept so that only those are stopped.
KESTRO_SERVICE_PIDS=()

# start_services: the reference service (built in build/native) on a free
# loopback port, or on KESTRO_SERVICE_PORT when set (18480 is the address that
# development builds have built in). Exports KESTRO_SERVICE_URL and
# KESTRO_WEB_SITE, which the programs started afterwards (Wine's included) use.
start_services() {
  local program="$KESTRO_ROOT/build/${KESTRO_NATIVE_TREE:-native}/standins/reference_service/kestro-reference-service"
  local logfile="$KESTRO_ROOT/build/reference-service.log"
  # Emptied first: the background job opens it later, and the port of an
  # earlier run must not be taken for this one's.
  : >"$logfile"
  "$program" "${KESTRO_SERVICE_PORT:-0}" >>"$logfile" 2>&1 &
  local pid=$!
  KESTRO_SERVICE_PIDS+=("$pid")
  local port=""
  for _ in $(seq 1 100); do
    port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$logfile")
    [ -n "$port" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$port" ] || ! timeout 5 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port &&
      printf 'GET /announce.php HTTP/1.0\r\n\r\n' >&3 && head -c 12 <&3 | grep -q '^HTTP/1.1 200'"; then
    echo "the reference service did not start (log: $logfile)" >&2
    cat "$logfile" >&2
    return 1
  fi
  export KESTRO_SERVICE_URL="http://127.0.0.1:$port/"
  export KESTRO_WEB_SITE="http://127.0.0.1:$port"
  log "reference service at $KESTRO_SERVICE_URL (pid $pid, log $logfile)"
  # Further stand-ins that the tests and the demo need start below.

  # The reference node: the stand-in tunnel's far end on the nodes' loopback
  # addresses and ports of the same data file.
  local node="$KESTRO_ROOT/build/${KESTRO_NATIVE_TREE:-native}/standins/reference_node/reference_node"
  local nodelog="$KESTRO_ROOT/build/reference-node.log"
  "$node" --data "$KESTRO_ROOT/standins/reference_service/data.json" >"$nodelog" 2>&1 &
  local nodepid=$!
  KESTRO_SERVICE_PIDS+=("$nodepid")
  for _ in $(seq 1 50); do
    grep -q 'listening on' "$nodelog" && break
    # Its ports are fixed by the data: another run on this machine may hold
    # them, and its node then serves the same data.
    if ! kill -0 "$nodepid" 2>/dev/null; then
      echo "warning: the reference node did not start (log: $nodelog)" >&2
      cat "$nodelog" >&2
      break
    fi
    sleep 0.1
  done
  log "reference node on the data file's node addresses (pid $nodepid, log $nodelog)"
}

stop_services() {
  local pid
  for pid in "${KESTRO_SERVICE_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  KESTRO_SERVICE_PIDS=()
}
