# The scripted tour of scripts/demo on a virtual display.
# shellcheck shell=bash

# wait_for_window TITLE SECONDS: prints the X window id once it is mapped.
wait_for_window() {
  local title=$1 seconds=$2 id=""
  for _ in $(seq $((seconds * 4))); do
    id=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && break
    sleep 0.25
  done
  echo "$id"
}

demo_tour() {
  local shots=$1 window
  window=$(wait_for_window "泓迈网游加速器" 60)
  if [ -z "$window" ]; then
    echo "the program's window did not appear" >&2
    return 1
  fi
  sleep 1
  "$KESTRO_ROOT/scripts/screenshot" "$shots/01-start.png"
  echo "saved $shots/01-start.png"
  # Closing the first window without logging in ends the program.
  xdotool windowclose "$window" 2>/dev/null || xdotool key --window "$window" alt+F4
}
