// The real program in the test world as the footprint benchmarks drive it:
// started with the link monitor's period shortened, timed to its painted
// login window, watched from outside, logged in as the demo user and
// accelerating a game through a node.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "bench/session/process_footprint_win.h"
#include "tests/e2e/world_program_win.h"

namespace kestro::bench {

inline constexpr int kSessionNodeId = 104;   // the world's fastest lightly loaded node
inline constexpr int kSessionGameId = 1001;  // its server 192.0.2.10 is routed through the tunnel
inline constexpr int kSessionLinkMonitorMs = 30000;  // ten times as often as a user's program

class WatchedProgram {
 public:
  // Starts the program; `linkMonitorMs` becomes its link monitor's period.
  WatchedProgram(const test::TestWorld& world, int linkMonitorMs);
  // Seconds from the process's creation to its login window shown with
  // nothing left to paint; nothing when no login window showed.
  std::optional<double> waitForPaintedLogin();
  const ProcessWatch* watch() const { return watch_.get(); }
  HWND login() const { return login_; }

 private:
  test::WorldProgram program_;
  HWND login_ = nullptr;
  std::unique_ptr<ProcessWatch> watch_;
};

// The main window after a login as the demo user; null, with the reason on stderr, when it did not open.
HWND logIn();
// Chooses the node and the game on their panels and returns to the
// acceleration panel; false, with the step that failed on stderr, when a step failed.
bool chooseNodeAndGame(HWND main, int nodeId, int gameId);
// Presses start; false, with the reason on stderr, when the acceleration did not run.
bool startAcceleration(HWND main);
bool accelerating(HWND main);
// Whether the relay carries a tunnel to a node: the acceleration runs, whatever the window shows.
bool tunnelOpen();
// Stops the acceleration from the traffic view; false when the start view did not come back.
bool stopAcceleration(HWND main);

// A positive number from the environment, else `fallback`.
double environmentNumber(const char* name, double fallback);

// The machine's load average of the last minute.
double loadAverage();
// Seconds on the benchmark's clock (since its first call).
double benchSeconds();

}  // namespace kestro::bench
