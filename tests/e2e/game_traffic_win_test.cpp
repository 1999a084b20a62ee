// A game's packets in the test world, played by the stand-in game while the
// real Kestro.exe runs: directly before an acceleration, through the virtual
// adapter and the tunnel during it, directly again after it, and stranded in
// a tunnel that is gone when the program was killed, until its next start
// sweeps the rows it left. The program's route rows reach the client
// namespace's own table through the relay (the route mirror of development
// builds), so Wine's forward table shows them.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/text_convert.h"
#include "standins/game/round_trips.h"
#include "tests/e2e/end_to_end_fixture_win.h"
#include "tests/support/ui_driver_win.h"

namespace kestro {
namespace {

using namespace kestro::test;

constexpr int kNodeId = 104;   // the world's fastest lightly loaded node
constexpr int kGameId = 1001;  // its routes name the game server (chooseGameAndVoice takes it)
constexpr int kRounds = 20;

// One run of the stand-in game: its UDP and TCP reports.
struct GamePlay {
  game::ReadReport udp;
  game::ReadReport tcp;
  std::string output;
  uint64_t sent() const { return udp.trips.sentBytes + tcp.trips.sentBytes; }
  uint64_t received() const { return udp.trips.receivedBytes + tcp.trips.receivedBytes; }
};

std::optional<GamePlay> playGame(const GameServerPaths& server, int rounds) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return std::nullopt;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process{};
  std::wstring line = L"\"" + hostPath(KESTRO_BINARY_DIR "/standins/game/kestro-stand-in-game.exe") + L"\" " +
                      fromUtf8(server.address) + L" " + std::to_wstring(server.port) + L" --rounds " +
                      std::to_wstring(rounds);
  std::vector<wchar_t> mutableLine(line.begin(), line.end());
  mutableLine.push_back(L'\0');
  const bool started =
      CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  CloseHandle(writeEnd);
  GamePlay play;
  if (started) {
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, chunk, sizeof(chunk), &got, nullptr) && got > 0) play.output.append(chunk, got);
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(readEnd);
  std::printf("stand-in game:\n%s", play.output.c_str());
  std::istringstream lines(play.output);
  std::optional<game::ReadReport> udp, tcp;
  for (std::string text; std::getline(lines, text);) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (auto report = game::readReportLine(text)) (report->trips.protocol == "udp" ? udp : tcp) = report;
  }
  if (!udp || !tcp) return std::nullopt;
  play.udp = *udp;
  play.tcp = *tcp;
  return play;
}

// The relay's count of the bytes between the client and `address`.
struct PathBytes {
  uint64_t directSent = 0, directReceived = 0, tunnelSent = 0, tunnelReceived = 0;
};

std::optional<PathBytes> relayBytes(const std::string& address) {
  const std::string answer = relayCommand("traffic " + address);
  PathBytes bytes;
  unsigned long long values[4];
  if (std::sscanf(answer.c_str(), "ok direct sent %llu received %llu tunnel sent %llu received %llu", &values[0],
                  &values[1], &values[2], &values[3]) != 4) {
    std::fprintf(stderr, "the relay's answer to \"traffic %s\": %s\n", address.c_str(), answer.c_str());
    return std::nullopt;
  }
  return PathBytes{values[0], values[1], values[2], values[3]};
}

// The interface and next hop Wine's forward table gives for `address`.
std::optional<MIB_IPFORWARDROW> bestRoute(const std::string& address) {
  MIB_IPFORWARDROW row{};
  if (GetBestRoute(inet_addr(address.c_str()), 0, &row) != NO_ERROR) return std::nullopt;
  return row;
}

// The index Wine's adapter list gives the adapter carrying `address`.
std::optional<DWORD> wineAdapterIndex(const std::string& address) {
  ULONG size = 0;
  if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) return std::nullopt;
  std::vector<unsigned char> buffer(size);
  auto* adapters = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
  if (GetAdaptersInfo(adapters, &size) != NO_ERROR) return std::nullopt;
  for (const IP_ADAPTER_INFO* adapter = adapters; adapter != nullptr; adapter = adapter->Next) {
    for (const IP_ADDR_STRING* entry = &adapter->IpAddressList; entry != nullptr; entry = entry->Next) {
      if (address == entry->IpAddress.String) return adapter->Index;
    }
  }
  return std::nullopt;
}

// The index Linux gives the virtual adapter in the client namespace (this process's).
std::optional<DWORD> linuxAdapterIndex() {
  std::string output;
  if (runOnLinux("ip -o link show dev vadapter", &output) != 0) return std::nullopt;
  const unsigned long index = std::strtoul(output.c_str(), nullptr, 10);
  if (index == 0) return std::nullopt;
  return static_cast<DWORD>(index);
}

// A byte total of the traffic view ("23.456千字节(KBytes)") in bytes, and
// the most its rounding to three decimals may hide.
struct ShownBytes {
  double bytes = 0;
  double rounding = 0;
};

ShownBytes shownBytes(const std::wstring& text) {
  wchar_t* unit = nullptr;
  const double value = std::wcstod(text.c_str(), &unit);
  const std::wstring rest = unit != nullptr ? unit : L"";
  const double scale = rest.starts_with(L"千") ? 1024.0 : rest.starts_with(L"兆") ? 1048576.0 : rest.starts_with(L"吉") ? 1073741824.0 : 1.0;
  return ShownBytes{value * scale, scale == 1.0 ? 0.0 : scale * 0.0005};
}

// Whether Wine's forward table sends the game server's packets into the virtual adapter.
bool routedIntoTheAdapter(const GameServerPaths& server) {
  const auto adapter = wineAdapterIndex(server.adapter);
  const auto route = bestRoute(server.address);
  return adapter && route && route->dwForwardIfIndex == *adapter &&
         route->dwForwardNextHop == inet_addr(server.gateway.c_str());
}

bool accelerating(HWND main) { return pageVisible(main, "#accstatuscontainer"); }

// What the gateway's echoes may add to the tunnel between the library's last
// report and the relay's answer: a few, each way.
constexpr double kEchoSlackBytes = 1024;

// Under Wine a round trip's time is taken when the game's thread next runs:
// on a busy machine it grows by tens of milliseconds, never shrinks.
constexpr double kSlackMs = 60;

TEST_F(EndToEnd, TheGamesTrafficTakesTheTunnel) {
  const auto server = gameServerPaths(*world_, kGameId, kNodeId);
  ASSERT_TRUE(server) << "no game server of game " << kGameId << " with an echo port in " << world_->dataFile;
  const auto linuxIndex = linuxAdapterIndex();
  ASSERT_TRUE(linuxIndex) << "no vadapter in the client namespace";
  EXPECT_EQ(wineAdapterIndex(server->adapter), linuxIndex) << "Wine's adapter index is the Linux one";
  std::printf("vadapter: Linux interface index %lu, Wine's adapter index %lu\n", *linuxIndex,
              wineAdapterIndex(server->adapter).value_or(0));

  const auto directBefore = relayBytes(server->address);
  ASSERT_TRUE(directBefore);
  const auto before = playGame(*server, kRounds);
  ASSERT_TRUE(before) << "the stand-in game did not report";
  EXPECT_GE(before->udp.medianMs, server->directMs - 3);
  EXPECT_GE(before->tcp.medianMs, server->directMs - 3);
  EXPECT_GT(before->udp.answered, kRounds / 2);
  const auto directAfter = relayBytes(server->address);
  ASSERT_TRUE(directAfter);
  EXPECT_EQ(directAfter->tunnelSent, directBefore->tunnelSent) << "nothing through the tunnel before the start";
  EXPECT_GE(directAfter->directSent - directBefore->directSent, before->sent() - before->sent() / 10)
      << "the relay carried the game's bytes directly (a few were lost)";

  WorldProgram program(*world_);
  ASSERT_TRUE(program.started());
  HWND main = nullptr;
  ASSERT_NO_FATAL_FAILURE(accelerateThrough(kNodeId, main));
  EXPECT_TRUE(waitUntil([&] { return routedIntoTheAdapter(*server); }, 10000))
      << "Wine's forward table does not send " << server->address << " into the virtual adapter";
  const ShownBytes upBefore = shownBytes(pageText(main, "#accdata_flowup"));
  const ShownBytes downBefore = shownBytes(pageText(main, "#accdata_flowdown"));
  const auto carriedBefore = relayBytes(server->address);
  ASSERT_TRUE(carriedBefore);
  const auto during = playGame(*server, kRounds);
  ASSERT_TRUE(during) << "the stand-in game did not report";
  const auto carriedAfter = relayBytes(server->address);
  ASSERT_TRUE(carriedAfter);
  EXPECT_EQ(during->udp.answered, kRounds) << "neither the node nor the server's path from it loses";
  EXPECT_EQ(during->tcp.answered, kRounds);
  for (double median : {during->udp.medianMs, during->tcp.medianMs}) {
    EXPECT_GE(median, server->throughNodeMs - 3);
    EXPECT_LE(median, server->throughNodeMs + kSlackMs);
  }
  const uint64_t tunnelSent = carriedAfter->tunnelSent - carriedBefore->tunnelSent;
  const uint64_t tunnelReceived = carriedAfter->tunnelReceived - carriedBefore->tunnelReceived;
  EXPECT_GE(tunnelSent, during->sent()) << "the relay saw the game's bytes in the tunnel";
  EXPECT_GE(tunnelReceived, during->received());
  EXPECT_EQ(carriedAfter->directSent, carriedBefore->directSent) << "nothing went directly";
  // The library reports the tunnel's counters once a second.
  const auto grown = [&] {
    const ShownBytes up = shownBytes(pageText(main, "#accdata_flowup"));
    const ShownBytes down = shownBytes(pageText(main, "#accdata_flowdown"));
    return up.bytes - upBefore.bytes + up.rounding + upBefore.rounding >= tunnelSent &&
           down.bytes - downBefore.bytes + down.rounding + downBefore.rounding >= tunnelReceived;
  };
  EXPECT_TRUE(waitUntil(grown, 5000)) << "the traffic view's totals did not grow by the game's bytes: up "
                                      << toUtf8(pageText(main, "#accdata_flowup")) << ", down "
                                      << toUtf8(pageText(main, "#accdata_flowdown"));
  // And they are what crossed the tunnel, nothing made up: the relay's count
  // of the whole tunnel, give or take the gateway's latest echoes.
  const auto tunnelCounted = [&] {
    unsigned long long sent = 0, received = 0;
    const std::string answer = relayCommand("traffic");
    const ShownBytes up = shownBytes(pageText(main, "#accdata_flowup"));
    const ShownBytes down = shownBytes(pageText(main, "#accdata_flowdown"));
    return std::sscanf(answer.c_str(), "ok up sent %llu received %llu", &sent, &received) == 2 &&
           std::abs(up.bytes - static_cast<double>(sent)) <= up.rounding + kEchoSlackBytes &&
           std::abs(down.bytes - static_cast<double>(received)) <= down.rounding + kEchoSlackBytes;
  };
  EXPECT_TRUE(waitUntil(tunnelCounted, 5000)) << "the traffic view shows other bytes than the tunnel's: "
                                              << relayCommand("traffic") << "; the view up "
                                              << toUtf8(pageText(main, "#accdata_flowup")) << ", down "
                                              << toUtf8(pageText(main, "#accdata_flowdown"));
  saveScreenshot("end-to-end-game-traffic");

  ASSERT_TRUE(clickElement(main, "#linkstopacc", [&] { return !accelerating(main); }));
  EXPECT_TRUE(waitUntil([&] { return pageVisible(main, "#startacccontainer"); }, 15000));
  EXPECT_FALSE(routedIntoTheAdapter(*server)) << "the stop removed the row";
  const auto after = playGame(*server, kRounds);
  ASSERT_TRUE(after) << "the stand-in game did not report";
  EXPECT_GE(after->udp.medianMs, server->directMs - 3);
  EXPECT_GT(after->udp.answered, kRounds / 2);
  std::printf("round trips (median, ms): direct %.1f udp %.1f tcp; accelerated %.1f udp %.1f tcp; after the stop "
              "%.1f udp %.1f tcp; the game's bytes in the tunnel %llu up %llu down\n",
              before->udp.medianMs, before->tcp.medianMs, during->udp.medianMs, during->tcp.medianMs,
              after->udp.medianMs, after->tcp.medianMs, static_cast<unsigned long long>(tunnelSent),
              static_cast<unsigned long long>(tunnelReceived));
}

TEST_F(EndToEnd, AKilledProgramsRoutesStrandTheGameUntilTheNextStart) {
  const auto server = gameServerPaths(*world_, kGameId, kNodeId);
  ASSERT_TRUE(server) << "no game server of game " << kGameId << " with an echo port in " << world_->dataFile;
  {
    WorldProgram program(*world_);
    ASSERT_TRUE(program.started());
    HWND main = nullptr;
    ASSERT_NO_FATAL_FAILURE(accelerateThrough(kNodeId, main));
    ASSERT_TRUE(waitUntil([&] { return routedIntoTheAdapter(*server); }, 10000));
    const auto through = playGame(*server, 5);
    ASSERT_TRUE(through);
    EXPECT_LE(through->udp.medianMs, server->throughNodeMs + kSlackMs);
    program.kill();
  }
  EXPECT_TRUE(waitUntil([] { return relayCommand("traffic").starts_with("ok down"); }, 5000))
      << "the tunnel's connection outlived the program";
  EXPECT_TRUE(routedIntoTheAdapter(*server)) << "nobody removed the killed program's rows";
  const auto carriedBefore = relayBytes(server->address);
  const auto stranded = playGame(*server, 3);
  ASSERT_TRUE(stranded);
  EXPECT_EQ(stranded->udp.answered, 0) << "the game's packets go into a tunnel that is gone";
  EXPECT_EQ(stranded->tcp.answered, 0);
  const auto carriedAfter = relayBytes(server->address);
  ASSERT_TRUE(carriedBefore && carriedAfter);
  EXPECT_EQ(carriedAfter->tunnelSent, carriedBefore->tunnelSent);
  EXPECT_EQ(carriedAfter->directSent, carriedBefore->directSent);

  WorldProgram again(*world_);
  ASSERT_TRUE(again.started());
  ASSERT_NE(waitForVisibleWindow(L"KestroLoginWindow", 60000), nullptr);
  EXPECT_FALSE(routedIntoTheAdapter(*server)) << "the sweep before the login window removed the rows";
  const auto direct = playGame(*server, kRounds);
  ASSERT_TRUE(direct);
  EXPECT_GT(direct->udp.answered, kRounds / 2) << "the game reaches its server directly again";
  EXPECT_GE(direct->udp.medianMs, server->directMs - 3);
}

}  // namespace
}  // namespace kestro
