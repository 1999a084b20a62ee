// Open-and-close loops on the real program in the test world (scripts/bench
// makes it), each framed by the program's footprint read from outside it
// (process_footprint_win.h): 200 message windows (the start pressed with no
// node chosen, answered with Enter), 20 latency refreshes of the node list,
// 20 starts and stops of an acceleration, 50 network diagnosis runs. Each
// loop's first round runs before the "before" sample, so that what a first
// use loads once (a page, its pictures) is not taken for growth; each sample
// follows 5 s of rest. KESTRO_LOOP_SCALE (1) multiplies the rounds;
// KESTRO_LOOPS names the loops to run (messages, refreshes, starts,
// diagnoses; all when unset).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "bench/session/footprint_figures.h"
#include "bench/session/world_session_win.h"
#include "tests/support/process_handles_win.h"
#include "tests/support/ui_driver_win.h"
#include "tests/support/wine_host_win.h"

namespace {

using namespace kestro::bench;
using kestro::test::clickElement;
using kestro::test::pageText;
using kestro::test::pageVisible;
using kestro::test::waitUntil;

Footprint rested(const ProcessWatch& watch) {
  Sleep(5000);
  return watch.sample();
}

// Whether KESTRO_LOOPS names the loop `key`, or is unset.
bool chosen(const char* key) {
  const char* loops = std::getenv("KESTRO_LOOPS");
  return loops == nullptr || std::string(loops).find(key) != std::string::npos;
}

// One round of each loop: false, with the reason on stderr, when it did not complete.
bool messageRound(HWND main) {
  HWND message = nullptr;
  const auto opened = [&] {
    message = FindWindowW(L"KestroMessageWindow", nullptr);
    return message != nullptr && IsWindowVisible(message);
  };
  if (!clickElement(main, "#btnstartacc", opened)) {
    std::fprintf(stderr, "no message window came of the start without a node\n");
    return false;
  }
  if (!kestro::test::pressKeyUntil(message, "Return", [&] { return !IsWindow(message); })) {
    std::fprintf(stderr, "Enter did not close the message window\n");
    return false;
  }
  return true;
}

bool refreshRound(HWND main) {
  if (!clickElement(main, "#linkrefreshlatency", [&] { return !pageVisible(main, "#linkrefreshlatency"); }) ||
      !waitUntil([&] { return pageVisible(main, "#linkrefreshlatency"); }, 60000)) {
    std::fprintf(stderr, "the latency refresh did not end\n");
    return false;
  }
  return true;
}

bool startStopRound(HWND main) {
  if (!startAcceleration(main)) return false;
  if (!stopAcceleration(main)) {
    std::fprintf(stderr, "the stop did not return to the start view\n");
    return false;
  }
  return true;
}

bool diagnosisRound(HWND main) {
  if (!clickElement(main, "#btnstartdiag", [&] { return pageVisible(main, "#diagingpage"); }) ||
      !waitUntil([&] { return !pageText(main, "#manualscore").empty(); }, 180000) ||
      !clickElement(main, "#btnbackdiag", [&] { return pageVisible(main, "#diagstartpage"); })) {
    std::fprintf(stderr, "the diagnosis run did not end with a score and the way back\n");
    return false;
  }
  return true;
}

// The warm-up round, then the rest framed by samples; false when a round failed.
bool runLoop(const char* key, const char* name, int rounds, const ProcessWatch& watch,
             const std::function<bool()>& round) {
  if (!chosen(key)) return true;
  if (!round()) return false;
  const Footprint before = rested(watch);
  const std::string kindsBefore = kestro::test::systemHandleKinds(watch.id());
  const double start = benchSeconds();
  for (int i = 1; i < rounds; ++i) {
    if (!round()) {
      std::fprintf(stderr, "%s: round %d of %d failed\n", name, i + 1, rounds);
      return false;
    }
  }
  const Footprint after = rested(watch);
  std::printf("%s", loopSummary(std::to_string(rounds) + " " + name, before, after).c_str());
  if (after.systemHandles != before.systemHandles) {
    std::printf("  handles by kind before: %s\n  and after: %s\n", kindsBefore.c_str(),
                kestro::test::systemHandleKinds(watch.id()).c_str());
  }
  std::printf("  %.1f s for %d rounds, load %.2f\n", benchSeconds() - start - 5, rounds - 1, loadAverage());
  std::fflush(stdout);
  return true;
}

}  // namespace

int wmain() {
  const double scale = environmentNumber("KESTRO_LOOP_SCALE", 1);
  const auto rounds = [&](int count) { return std::max(2, static_cast<int>(count * scale)); };
  const auto world = kestro::test::testWorld();
  if (!world) {
    std::printf("open_close_bench: no test world in this run, skipped\n");
    return 0;
  }

  WatchedProgram program(*world, kSessionLinkMonitorMs);
  if (!program.waitForPaintedLogin() || program.watch() == nullptr || !program.watch()->opened()) {
    std::fprintf(stderr, "open_close_bench: no login window painted within 60 s, or the process cannot be opened\n");
    return 1;
  }
  const ProcessWatch& watch = *program.watch();
  const HWND main = logIn();
  if (main == nullptr) return 1;
  std::printf("where each figure comes from:\n%s", sourcesText(watch.sample()).c_str());

  const bool done =
      runLoop("messages", "message windows", rounds(200), watch, [&] { return messageRound(main); }) &&
      clickElement(main, "#nodepanel", [&] { return pageVisible(main, "#linkrefreshlatency"); }) &&
      runLoop("refreshes", "node latency refreshes", rounds(20), watch, [&] { return refreshRound(main); }) &&
      chooseNodeAndGame(main, kSessionNodeId, kSessionGameId) &&
      runLoop("starts", "acceleration starts and stops", rounds(20), watch, [&] { return startStopRound(main); }) &&
      clickElement(main, "div[panel=\"panel-id5\"]", [&] { return pageVisible(main, "#btnstartdiag"); }) &&
      runLoop("diagnoses", "diagnosis runs", rounds(50), watch, [&] { return diagnosisRound(main); });
  return done ? 0 : 1;
}
