# The scripted tour of scripts/demo on a virtual display: the demo account logs
# in through the login window by itself, then the main window shows its node,
# game, diagnosis and traffic panels, with a screenshot of each step.
# shellcheck shell=bash

# The demo account of the reference service (standins/reference_service/README.md).
DEMO_USER=kestro
DEMO_PASSWORD=kestro123

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

# wait_for_window_gone ID SECONDS
wait_for_window_gone() {
  local id=$1 seconds=$2
  for _ in $(seq $((seconds * 4))); do
    xdotool getwindowname "$id" >/dev/null 2>&1 || return 0
    sleep 0.25
  done
  return 1
}

# close_window ID: Alt+F4 with the pointer over the window (the virtual display
# has no window manager, and destroying the X window would orphan Wine's).
close_window() {
  xdotool mousemove --window "$1" 60 60 sleep 0.3 key alt+F4
}

# click WINDOW X Y: a left click at a position of the window. The virtual
# display has no window manager: the window is given the keyboard first, from a
# bare spot (activating a window takes the keyboard from the box just clicked).
click() {
  xdotool mousemove --window "$1" 4 100 sleep 0.2 windowfocus "$1" sleep 0.3 \
    mousemove --window "$1" "$2" "$3" sleep 0.2 click 1 sleep 0.3
}

# fill WINDOW X Y TEXT: clicks a box, empties it and types the text.
fill() {
  click "$1" "$2" "$3"
  xdotool key End key --repeat 40 --delay 20 BackSpace
  xdotool type --delay 60 -- "$4"
}

shot() {
  "$KESTRO_ROOT/scripts/screenshot" "$1/$2.png"
  echo "saved $1/$2.png"
}

demo_tour() {
  local shots=$1 login message main
  login=$(wait_for_window "泓迈网游加速器" 60)
  if [ -z "$login" ]; then
    echo "the login window did not appear" >&2
    return 1
  fi
  sleep 1
  shot "$shots" 01-login

  # A mistyped password first: the message window answers.
  fill "$login" 190 154 "$DEMO_USER"
  fill "$login" 190 185 "wrong"
  click "$login" 305 251
  message=$(wait_for_window "泓迈网游加速器提示" 30)
  if [ -n "$message" ]; then
    sleep 0.7
    shot "$shots" 02-wrong-password
    click "$message" 332 182
    sleep 0.5
  fi

  # Then the right one.
  fill "$login" 190 185 "$DEMO_PASSWORD"
  shot "$shots" 03-filled-in
  click "$login" 305 251
  sleep 0.1
  shot "$shots" 04-logging-in
  if ! wait_for_window_gone "$login" 30; then
    echo "the login did not finish" >&2
    shot "$shots" 04-login-stuck
    close_window "$login"
    return 1
  fi

  main=$(wait_for_window "泓迈网游加速器" 30)
  if [ -z "$main" ]; then
    echo "no window after the login" >&2
    return 1
  fi
  sleep 2
  shot "$shots" 05-main-window

  # The node tab loads the node list and measures every node's latency.
  click "$main" 128 51
  sleep 1
  shot "$shots" 06-node-list-loading
  sleep 12
  shot "$shots" 07-node-list
  # A row, then "使用选中节点": the acceleration panel shows the chosen node.
  click "$main" 269 271
  click "$main" 143 120
  sleep 1
  shot "$shots" 08-node-chosen

  # The game tab: the games of the account, with search and filters.
  click "$main" 218 51
  sleep 4
  shot "$shots" 09-game-list

  # The diagnosis tab: a scored run of the six checks on this machine.
  click "$main" 394 51
  sleep 1
  click "$main" 269 196
  sleep 15
  shot "$shots" 10-diagnosis

  # The traffic tab: the 90-second rate chart (empty while nothing is accelerated).
  click "$main" 481 51
  sleep 2
  shot "$shots" 11-rate-chart

  # Closing asks first; "是" ends the program.
  click "$main" 730 9
  message=$(wait_for_window "泓迈网游加速器提示" 15)
  if [ -n "$message" ]; then
    sleep 0.7
    shot "$shots" 12-exit-question
    click "$message" 40 182
    wait_for_window_gone "$main" 15 || close_window "$main"
  else
    close_window "$main"
  fi
}
