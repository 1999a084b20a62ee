# The test world: a "client" and an "internet" network namespace joined only by
# the TUN devices that our relay serves (standins/relay). The program, Wine and
# the display run in the client namespace, whose virtual adapter carries the
# tunnel's address; the reference service, nodes, game servers and diagnosis
# probe hosts listen on documentation addresses in the internet namespace.
# Nothing links either namespace to the machine's own network, and the relay
# drops whatever its table does not name. The program's route rows reach the
# client namespace's table through the relay (KESTRO_WORLD_RELAY, development
# builds). Needs root (unshare -n).
# shellcheck shell=bash

KESTRO_WORLD_DATA="$KESTRO_ROOT/standins/reference_service/world.json"

# world_member NAME: a text member of the world data's "world" object.
world_member() {
  python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["world"][sys.argv[2]])' "$KESTRO_WORLD_DATA" "$1"
}

# world_addresses: every address the internet namespace holds (hosts and nodes).
world_addresses() {
  python3 -c 'import json,sys
d = json.load(open(sys.argv[1]))
for h in d["world"]["hosts"]: print(h["ip"])
for n in d["nodes"]: print(n["nodeip"])' "$KESTRO_WORLD_DATA" | sort -u
}

# world_game_server: "ip port" of the world's first game server (a host with
# an echo port, which the reference node serves).
world_game_server() {
  python3 -c 'import json,sys
for h in json.load(open(sys.argv[1]))["world"]["hosts"]:
    if "echoport" in h:
        print(h["ip"], h["echoport"]); break' "$KESTRO_WORLD_DATA"
}

# relay_command LINE: one command to the relay's control channel, from inside
# the client namespace; prints its answer line.
relay_command() {
  (
    exec 3<>"/dev/tcp/${KESTRO_RELAY_CONTROL%:*}/${KESTRO_RELAY_CONTROL##*:}"
    printf '%s\n' "$1" >&3
    head -n 1 <&3
  )
}

# in_namespace PID COMMAND...: runs a command in the network namespace of PID.
in_namespace() {
  local pid=$1; shift
  nsenter --net="/proc/$pid/ns/net" -- "$@"
}

# world_start: creates the namespaces and the relay, and configures both sides.
# Exports KESTRO_WORLD_CLIENT_PID, KESTRO_WORLD_INTERNET_PID,
# KESTRO_WORLD_RELAY_PID and KESTRO_RELAY_CONTROL; returns non-zero (with the
# reason in KESTRO_WORLD_UNAVAILABLE) on a machine that cannot make them.
world_start() {
  local relay="$KESTRO_ROOT/build/${KESTRO_NATIVE_TREE:-native}/standins/relay/kestro-relay"
  local logfile="$KESTRO_ROOT/build/relay.log"
  if ! unshare -n true 2>/dev/null; then
    export KESTRO_WORLD_UNAVAILABLE="this machine cannot create network namespaces (unshare -n needs root)"
    return 1
  fi
  if [ ! -c /dev/net/tun ]; then
    export KESTRO_WORLD_UNAVAILABLE="this machine has no /dev/net/tun"
    return 1
  fi
  unshare -n sleep infinity &
  KESTRO_WORLD_CLIENT_PID=$!
  unshare -n sleep infinity &
  KESTRO_WORLD_INTERNET_PID=$!
  export KESTRO_WORLD_CLIENT_PID KESTRO_WORLD_INTERNET_PID
  # The holders must have entered their namespaces before the relay joins them.
  local client_ns internet_ns
  for _ in $(seq 50); do
    client_ns=$(readlink "/proc/$KESTRO_WORLD_CLIENT_PID/ns/net" 2>/dev/null || true)
    internet_ns=$(readlink "/proc/$KESTRO_WORLD_INTERNET_PID/ns/net" 2>/dev/null || true)
    [ -n "$client_ns" ] && [ -n "$internet_ns" ] && [ "$client_ns" != "$(readlink /proc/self/ns/net)" ] &&
      [ "$internet_ns" != "$(readlink /proc/self/ns/net)" ] && break
    sleep 0.1
  done

  # Emptied first: the background job opens it later, and the ready line of an
  # earlier run must not be taken for this one's.
  : >"$logfile"
  "$relay" --world "$KESTRO_WORLD_DATA" --client-ns "$KESTRO_WORLD_CLIENT_PID" \
    --internet-ns "$KESTRO_WORLD_INTERNET_PID" --watch $$ >>"$logfile" 2>&1 &
  KESTRO_WORLD_RELAY_PID=$!
  export KESTRO_WORLD_RELAY_PID
  local control=""
  for _ in $(seq 100); do
    control=$(sed -n 's/^relay ready control \(127\.0\.0\.1:[0-9]*\)$/\1/p' "$logfile")
    [ -n "$control" ] && break
    kill -0 "$KESTRO_WORLD_RELAY_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$control" ]; then
    cat "$logfile" >&2
    export KESTRO_WORLD_UNAVAILABLE="the relay did not start (log: $logfile)"
    world_stop
    return 1
  fi
  export KESTRO_RELAY_CONTROL=$control

  local c=$KESTRO_WORLD_CLIENT_PID i=$KESTRO_WORLD_INTERNET_PID
  in_namespace "$c" ip link set lo up
  in_namespace "$c" ip addr add "$(world_member client)/32" dev wan0
  in_namespace "$c" ip link set wan0 up
  in_namespace "$c" ip route add default dev wan0
  in_namespace "$c" ip addr add "$(world_member adapter)/$(mask_bits "$(world_member adaptermask)")" dev vadapter
  in_namespace "$c" ip link set vadapter up
  in_namespace "$i" ip link set lo up
  local address
  while read -r address; do
    in_namespace "$i" ip addr add "$address/32" dev wan0
  done < <(world_addresses)
  in_namespace "$i" ip link set wan0 up
  in_namespace "$i" ip route add default dev wan0
  log "test world: client namespace (pid $c), internet namespace (pid $i), relay (pid $KESTRO_WORLD_RELAY_PID, control $control)"
}

# mask_bits DOTTED: the prefix length of a dotted mask.
mask_bits() {
  local bits=0 octet
  IFS=. read -r -a octets <<<"$1"
  for octet in "${octets[@]}"; do
    while [ "$octet" -gt 0 ]; do
      bits=$((bits + (octet & 1)))
      octet=$((octet >> 1))
    done
  done
  echo "$bits"
}

# world_services: the reference service and node of the world data, in the
# internet namespace. Exports the addresses the program and tests are given.
world_services() {
  local tree="$KESTRO_ROOT/build/${KESTRO_NATIVE_TREE:-native}/standins"
  local service_address logfile="$KESTRO_ROOT/build/world-service.log" nodelog="$KESTRO_ROOT/build/world-node.log"
  service_address=$(world_member service)
  # nsenter itself, not a function in a subshell, so that the pid kept is the server's.
  local enter="--net=/proc/$KESTRO_WORLD_INTERNET_PID/ns/net"
  # Emptied first, as the relay's log (world_start).
  : >"$logfile"
  : >"$nodelog"
  nsenter "$enter" -- "$tree/reference_service/kestro-reference-service" 80 \
    "$KESTRO_WORLD_DATA" "$service_address" >>"$logfile" 2>&1 &
  KESTRO_SERVICE_PIDS+=($!)
  nsenter "$enter" -- "$tree/reference_node/reference_node" --data "$KESTRO_WORLD_DATA" >>"$nodelog" 2>&1 &
  KESTRO_SERVICE_PIDS+=($!)
  for _ in $(seq 100); do
    grep -q "^listening on $service_address:80$" "$logfile" && grep -q 'listening on' "$nodelog" && break
    sleep 0.1
  done
  if ! grep -q "^listening on $service_address:80$" "$logfile"; then
    echo "the test world's reference service did not start (log: $logfile)" >&2
    cat "$logfile" >&2
    return 1
  fi
  export KESTRO_WORLD_SERVICE_URL="http://$service_address/"
  export KESTRO_WORLD_WEB_SITE="http://$service_address"
  local hosts
  mapfile -t hosts < <(python3 -c 'import json,sys
for h in json.load(open(sys.argv[1]))["world"]["hosts"][1:3]: print(h["ip"])' "$KESTRO_WORLD_DATA")
  export KESTRO_WORLD_PROBE_HOST_1=${hosts[0]} KESTRO_WORLD_PROBE_HOST_2=${hosts[1]}
  export KESTRO_WORLD_DATA
  log "test world services: $KESTRO_WORLD_SERVICE_URL, nodes of $KESTRO_WORLD_DATA (logs $logfile, $nodelog)"
}

# world_stop: ends the relay and the namespace holders, by their ids.
world_stop() {
  local pid
  for pid in ${KESTRO_WORLD_RELAY_PID:-} ${KESTRO_WORLD_CLIENT_PID:-} ${KESTRO_WORLD_INTERNET_PID:-}; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  KESTRO_WORLD_RELAY_PID= KESTRO_WORLD_CLIENT_PID= KESTRO_WORLD_INTERNET_PID=
}
