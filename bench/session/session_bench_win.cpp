// An hours-long session in miniature, in the test world (scripts/bench makes
// it): the real program logged in as the demo user, accelerating game 1001
// through node 104 while the stand-in game streams UDP and TCP rounds through
// the tunnel, its link monitor every 30 s (kSessionLinkMonitorMs). Sampled from outside once a minute
// (process_footprint_win.h), first with the main window on the traffic view
// (the rate chart's tab), then hidden in the notification area; printed: the
// start-up to a painted login window, the footprint then and after the
// login, every sample, and per phase the memory at start and end, growth per
// hour, handle, GDI and USER growth and CPU as a share of one core, beside
// the load average.
// KESTRO_SESSION_MINUTES sets each phase's length (20), KESTRO_SESSION_SAMPLE_SECONDS
// the sampling period (60).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "base/text_convert.h"
#include "base/unique_handle_win.h"
#include "bench/session/footprint_figures.h"
#include "bench/session/memory_split_win.h"
#include "bench/session/world_session_win.h"
#include "tests/support/ui_driver_win.h"
#include "tests/support/whole_file.h"
#include "tests/support/wine_host_win.h"

namespace {

using namespace kestro::bench;
using kestro::UniqueHandle;

constexpr char kGameServer[] = "192.0.2.10";  // game 1001's server in the test world
constexpr int kGamePort = 9000;

TimedFootprint sampleNow(const ProcessWatch& watch) { return TimedFootprint{benchSeconds(), loadAverage(), watch.sample()}; }

std::vector<TimedFootprint> runPhase(const char* name, const ProcessWatch& watch, double minutes, double period) {
  std::printf("\n%s: a sample every %.0f s for %.0f minutes\n", name, period, minutes);
  std::vector<TimedFootprint> samples;
  const double end = benchSeconds() + minutes * 60.0;
  for (;;) {
    samples.push_back(sampleNow(watch));
    std::printf("%s\n", sampleLine(samples.back()).c_str());
    std::fflush(stdout);
    const double now = benchSeconds();
    if (now >= end - 0.5) break;
    const double next = std::min(end, samples.back().seconds + period);
    if (next > now) Sleep(static_cast<DWORD>((next - now) * 1000.0));
  }
  return samples;
}

// The traffic view's tab, whose chart is drawn again every second.
bool showTrafficView(HWND main) {
  if (kestro::test::clickElement(main, "div[panel=\"panel-id6\"]",
                                 [&] { return kestro::test::pageVisible(main, "#ratechart"); })) {
    return true;
  }
  std::fprintf(stderr, "session_bench: the traffic view did not show\n");
  return false;
}

// Wine's own share: the footprint of a window program that draws one line
// of text and does nothing else, as the program's figures are read.
void printBareWindow() {
  kestro::test::ChildProcess bare(
      L"\"" + kestro::test::hostPath(KESTRO_BINARY_DIR "/bench/session/kestro-bare-window.exe") + L"\"", L"");
  HWND window = nullptr;
  if (!bare.started() || !kestro::test::waitUntil(
                             [&] {
                               window = FindWindowW(L"KestroBareWindow", nullptr);
                               return window != nullptr && IsWindowVisible(window);
                             },
                             30000)) {
    std::fprintf(stderr, "session_bench: the bare window did not show\n");
    return;
  }
  Sleep(3000);
  const ProcessWatch watch(bare.id(), unixPidOf("kestro-bare-window", "kestro-bare-window.exe"));
  std::printf("Wine's own share, a bare window program (one window, one line of Chinese text, GDI alone):\n%s\n%s",
              sampleLine(sampleNow(watch)).c_str(), memorySplit(watch.unixPid()).c_str());
  PostMessageW(window, WM_CLOSE, 0, 0);
  bare.waitForExit(10000);
}

// The stand-in game streaming to the game server for `seconds`, its report in `output`.
UniqueHandle startGame(int seconds, const std::wstring& output) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  UniqueHandle file(CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS, 0, nullptr));
  if (!file) return {};
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = file.get();
  startup.hStdError = file.get();
  PROCESS_INFORMATION process{};
  std::wstring line = L"\"" + kestro::test::hostPath(KESTRO_BINARY_DIR "/standins/game/kestro-stand-in-game.exe") +
                      L"\" " + kestro::fromUtf8(kGameServer) + L" " + std::to_wstring(kGamePort) +
                      L" --pause 50 --seconds " + std::to_wstring(seconds);
  std::vector<wchar_t> mutableLine(line.begin(), line.end());
  mutableLine.push_back(L'\0');
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    return {};
  }
  CloseHandle(process.hThread);
  return UniqueHandle(process.hProcess);
}

}  // namespace

int wmain() {
  const double minutes = environmentNumber("KESTRO_SESSION_MINUTES", 20);
  const double period = environmentNumber("KESTRO_SESSION_SAMPLE_SECONDS", 60);
  const auto world = kestro::test::testWorld();
  if (!world) {
    std::printf("session_bench: no test world in this run, skipped\n");
    return 0;
  }
  benchSeconds();
  printBareWindow();

  WatchedProgram program(*world, kSessionLinkMonitorMs);
  const auto startup = program.waitForPaintedLogin();
  if (!startup || program.watch() == nullptr || !program.watch()->opened()) {
    std::fprintf(stderr, "session_bench: no login window painted within 60 s, or the process cannot be opened\n");
    return 1;
  }
  const ProcessWatch& watch = *program.watch();
  std::printf("start-up, process creation to the login window painted: %.3f s (load %.2f)\n", *startup, loadAverage());
  const TimedFootprint atLogin = sampleNow(watch);
  std::printf("Kestro.exe: Windows process %lu, Linux process %d; where each figure comes from:\n%s",
              static_cast<unsigned long>(watch.id()), watch.unixPid(), sourcesText(atLogin.footprint).c_str());
  std::printf("the login window:\n%s\n", sampleLine(atLogin).c_str());

  const HWND main = logIn();
  if (main == nullptr) return 1;
  Sleep(5000);  // the catalogues and the first latencies
  std::printf("after the login:\n%s\nwhere its memory lies (Linux's map of the process):\n%s",
              sampleLine(sampleNow(watch)).c_str(), memorySplit(watch.unixPid()).c_str());
  // The catalogues' share: each panel's rows made (60 nodes, their latencies; 600 games).
  for (const auto& [tab, shown, name] : {std::tuple{"#nodepanel", "#latency104", "the node panel"},
                                         std::tuple{"#gamepanel", "#game1001", "the game panel"}}) {
    if (!kestro::test::clickElement(main, tab, [&] { return kestro::test::pageItem(main, shown).has_value(); })) {
      std::fprintf(stderr, "session_bench: %s did not show\n", name);
      return 1;
    }
    Sleep(5000);
    std::printf("%s shown:\n%s\n", name, sampleLine(sampleNow(watch)).c_str());
  }
  if (!chooseNodeAndGame(main, kSessionNodeId, kSessionGameId) || !startAcceleration(main)) return 1;
  std::printf("accelerating game %d through node %d:\n%s\n", kSessionGameId, kSessionNodeId,
              sampleLine(sampleNow(watch)).c_str());
  if (!showTrafficView(main)) return 1;

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring gameOutput = std::wstring(temp) + L"kestro-session-stand-in-game.txt";
  const std::string trafficBefore = kestro::test::relayCommand(std::string("traffic ") + kGameServer);
  const int gameSeconds = static_cast<int>(2 * minutes * 60 + 60);
  const UniqueHandle game = startGame(gameSeconds, gameOutput);
  if (!game) std::fprintf(stderr, "session_bench: the stand-in game did not start\n");

  const std::string threadsAtStart = threadCpuSeconds(watch.unixPid());
  const auto shown = runPhase("shown on the traffic view", watch, minutes, period);
  const std::string threadsShown = threadCpuSeconds(watch.unixPid());
  if (!kestro::test::clickElement(main, "#btntray", [&] { return !IsWindowVisible(main); })) {
    std::fprintf(stderr, "session_bench: the main window did not hide in the notification area\n");
    return 1;
  }
  const auto hidden = runPhase("hidden in the notification area", watch, minutes, period);
  std::printf("\nCPU seconds of each thread (Linux thread ids in the order they started: the UI thread, the "
              "start worker waiting for the tunnel library's thread, that thread, then the acceleration's "
              "monitors: link, link quality, game servers) at the start of the phases:\n%s"
              "after the shown phase:\n%safter the hidden phase:\n%s",
              threadsAtStart.c_str(), threadsShown.c_str(), threadCpuSeconds(watch.unixPid()).c_str());
  const bool stillAccelerating = tunnelOpen();

  std::printf("\n%s%s", phaseSummary("shown on the traffic view", shown).c_str(),
              phaseSummary("hidden in the notification area", hidden).c_str());
  std::printf("still accelerating at the end: %s\nwhere its memory lies at the end:\n%s",
              stillAccelerating ? "yes" : "NO", memorySplit(watch.unixPid()).c_str());
  if (game) {
    // The stream ends by itself a minute after the second phase.
    if (WaitForSingleObject(game.get(), 120000) == WAIT_TIMEOUT) TerminateProcess(game.get(), 1);
    std::printf("the stand-in game's stream (%d s):\n%s", gameSeconds,
                kestro::test::readWholeFile(gameOutput).c_str());
  }
  std::printf("the relay's count for %s before the stream: %s\nand after it: %s\n", kGameServer,
              trafficBefore.c_str(), kestro::test::relayCommand(std::string("traffic ") + kGameServer).c_str());
  return stillAccelerating ? 0 : 1;
}
