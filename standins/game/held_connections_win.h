// kestro-stand-in-game --hold <ip:port> [<ip:port> ...] [--seconds <n>]
// The held connections mode (standins/game/held_rounds.h): one TCP connection
// to each server, kept open side by side, a timed round on each every half
// second, until the seconds pass (60 by default) or a line "end" arrives on a
// piped standard input.
#pragma once

namespace kestro::game {

// The mode's main: 0 when every connection was made, 1 when one was not, 2 for a bad command line.
int runHeldConnections(int argc, char** argv);

}  // namespace kestro::game
