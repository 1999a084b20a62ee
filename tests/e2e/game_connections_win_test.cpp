// The game's own connections in the test world: the stand-in game, stored as
// game 1001's program file, holds TCP connections to a server its routes
// cover and to one they do not; the traffic view counts them against Wine's
// forward table, "加入加速" routes the second on the acceleration's own route
// path, and its round trips drop to the tunnel's figure; the stop removes
// that row with the others.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/settings_store_win.h"
#include "base/text_convert.h"
#include "standins/game/held_rounds.h"
#include "tests/e2e/end_to_end_fixture_win.h"
#include "tests/support/ui_driver_win.h"

namespace kestro {
namespace {

using namespace kestro::test;

constexpr int kNodeId = 104;
constexpr int kGameId = 1001;
// Under Wine a round trip's time is taken when the game's thread next runs:
// on a busy machine it grows by tens of milliseconds, never shrinks.
constexpr double kSlackMs = 60;

struct WorldServer {
  std::string address;
  int port = 0;
  int directMs = 0;
  int throughNodeMs = 0;  // the node's round trip and the server's from the node
};

// Whether `address` lies in one of the game's route targets.
bool covered(const nlohmann::json& game, const std::string& address) {
  const uint32_t host = ntohl(inet_addr(address.c_str()));
  for (const auto& route : game["routes"]) {
    const int prefix = route.value("ipmask", 32);
    const uint32_t mask = prefix == 0 ? 0 : 0xFFFFFFFFu << (32 - prefix);
    if ((ntohl(inet_addr(route.value("ipaddr", "").c_str())) & mask) == (host & mask)) return true;
  }
  return false;
}

// The world's game servers that game 1001's routes cover and that they do not.
struct GameServers {
  WorldServer covered;
  WorldServer uncovered;
  std::string gateway;
  std::string adapter;
};

std::optional<GameServers> gameServers(const TestWorld& world) {
  std::ifstream in(std::filesystem::path(hostPath(world.dataFile)));
  const nlohmann::json data = nlohmann::json::parse(in, nullptr, false);
  if (data.is_discarded()) return std::nullopt;
  int nodeMs = -1;
  for (const auto& node : data["nodes"]) {
    if (node.value("nid", 0) == kNodeId) nodeMs = node.value("latencyms", 0);
  }
  const auto game = std::find_if(data["games"].begin(), data["games"].end(),
                                 [](const nlohmann::json& g) { return g.value("id", 0) == kGameId; });
  if (nodeMs < 0 || game == data["games"].end()) return std::nullopt;
  GameServers servers;
  servers.gateway = data["world"].value("gateway", "");
  servers.adapter = data["world"].value("adapter", "");
  for (const auto& host : data["world"]["hosts"]) {
    if (!host.contains("echoport") || !host.contains("fromnode")) continue;
    const WorldServer server{host["ip"], host["echoport"], host.value("latencyms", 0),
                             nodeMs + host["fromnode"].value("latencyms", 0)};
    // The uncovered one is slow directly and fast from the node, so routing it gains.
    WorldServer& slot = covered(*game, server.address) ? servers.covered : servers.uncovered;
    if (slot.address.empty() && server.directMs > server.throughNodeMs) slot = server;
  }
  if (servers.covered.address.empty() || servers.uncovered.address.empty()) return std::nullopt;
  return servers;
}

// Whether Wine's forward table sends `address` into the virtual adapter, to the tunnel's gateway.
bool routedIntoTheAdapter(const GameServers& world, const std::string& address) {
  ULONG size = 0;
  if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) return false;
  std::vector<unsigned char> buffer(size);
  auto* adapters = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
  if (GetAdaptersInfo(adapters, &size) != NO_ERROR) return false;
  std::optional<DWORD> index;
  for (const IP_ADAPTER_INFO* adapter = adapters; adapter != nullptr; adapter = adapter->Next) {
    if (world.adapter == adapter->IpAddressList.IpAddress.String) index = adapter->Index;
  }
  MIB_IPFORWARDROW row{};
  return index && GetBestRoute(inet_addr(address.c_str()), 0, &row) == NO_ERROR && row.dwForwardIfIndex == *index &&
         row.dwForwardNextHop == inet_addr(world.gateway.c_str());
}

// The stand-in game holding its connections: its output goes to a file that
// the case reads as it grows; a line "end" on its input ends it.
class HeldGame {
 public:
  HeldGame(const std::wstring& program, const std::vector<WorldServer>& servers) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    output_ = hostPath(artifactsFolder() + "/end-to-end-held-game.txt");
    const HANDLE file = CreateFileW(output_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE inputRead = nullptr;
    if (file == INVALID_HANDLE_VALUE || !CreatePipe(&inputRead, &input_, &inheritable, 0)) return;
    SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
    std::wstring line = L"\"" + program + L"\" --hold";
    for (const WorldServer& server : servers) {
      line += L" " + fromUtf8(server.address) + L":" + std::to_wstring(server.port);
    }
    line += L" --seconds 240";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inputRead;
    startup.hStdOutput = file;
    startup.hStdError = file;
    std::vector<wchar_t> mutableLine(line.begin(), line.end());
    mutableLine.push_back(L'\0');
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process_)) {
      process_ = {};
    }
    CloseHandle(inputRead);
    CloseHandle(file);
  }
  ~HeldGame() {
    end();
    if (process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.hProcess, 1);
    }
    if (process_.hProcess != nullptr) {
      CloseHandle(process_.hThread);
      CloseHandle(process_.hProcess);
    }
    if (input_ != nullptr) CloseHandle(input_);
  }
  HeldGame(const HeldGame&) = delete;
  HeldGame& operator=(const HeldGame&) = delete;

  bool started() const { return process_.hProcess != nullptr; }
  DWORD id() const { return process_.dwProcessId; }
  // Tells the game to end and waits for it; its exit code.
  std::optional<DWORD> end() {
    if (process_.hProcess == nullptr) return std::nullopt;
    DWORD written = 0;
    if (input_ != nullptr) WriteFile(input_, "end\n", 4, &written, nullptr);
    if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }
  std::string output() const {
    std::ifstream in(std::filesystem::path(output_), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // The answered rounds with `server` that came after the first `skip` of its lines.
  std::vector<double> roundsWith(const WorldServer& server, size_t skip = 0) const {
    const std::string name = server.address + ":" + std::to_string(server.port);
    std::istringstream lines(output());
    std::vector<double> times;
    size_t seen = 0;
    for (std::string text; std::getline(lines, text);) {
      if (!text.empty() && text.back() == '\r') text.pop_back();
      const auto round = game::readHeldRoundLine(text);
      if (!round || round->server != name || seen++ < skip) continue;
      if (round->ms) times.push_back(*round->ms);
    }
    return times;
  }
  size_t linesWith(const WorldServer& server) const {
    const std::string name = server.address + ":" + std::to_string(server.port);
    std::istringstream lines(output());
    size_t count = 0;
    for (std::string text; std::getline(lines, text);) {
      const auto round = game::readHeldRoundLine(text);
      if (round && round->server == name) ++count;
    }
    return count;
  }

 private:
  std::wstring output_;
  HANDLE input_ = nullptr;
  PROCESS_INFORMATION process_{};
};

// How many of the connections to `servers` Wine's connection table names `owner` for.
int ownedConnections(DWORD owner, const std::vector<WorldServer>& servers) {
  DWORD size = 0;
  GetExtendedTcpTable(nullptr, &size, FALSE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0);
  std::vector<unsigned char> buffer(size + 4096);
  size = static_cast<DWORD>(buffer.size());
  if (GetExtendedTcpTable(buffer.data(), &size, FALSE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0) != NO_ERROR) return -1;
  const auto* table = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(buffer.data());
  int owned = 0;
  for (DWORD i = 0; i < table->dwNumEntries; ++i) {
    for (const WorldServer& server : servers) {
      owned += table->table[i].dwRemoteAddr == inet_addr(server.address.c_str()) &&
               table->table[i].dwOwningPid == owner;
    }
  }
  return owned;
}

double median(std::vector<double> times) {
  if (times.empty()) return 0;
  std::sort(times.begin(), times.end());
  const size_t middle = times.size() / 2;
  return times.size() % 2 != 0 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
}

// The next `count` answered rounds with `server` from now on.
std::vector<double> nextRounds(const HeldGame& game, const WorldServer& server, size_t count) {
  const size_t from = game.linesWith(server);
  waitUntil([&] { return game.roundsWith(server, from).size() >= count; }, 30000);
  return game.roundsWith(server, from);
}

TEST_F(EndToEnd, TheGamesConnectionsAreChecked) {
  const auto servers = gameServers(*world_);
  ASSERT_TRUE(servers) << "no covered and uncovered game servers of game " << kGameId << " in " << world_->dataFile;
  const std::wstring game = hostPath(KESTRO_BINARY_DIR "/standins/game/kestro-stand-in-game.exe");
  ASSERT_TRUE(writeGamePath(kGameId, game));

  WorldProgram program(*world_);
  ASSERT_TRUE(program.started());
  HWND main = nullptr;
  ASSERT_NO_FATAL_FAILURE(accelerateThrough(kNodeId, main));
  EXPECT_TRUE(waitUntil([&] { return pageText(main, "#txtgameconnections") == L"游戏未运行"; }, 10000))
      << toUtf8(pageText(main, "#txtgameconnections"));
  EXPECT_TRUE(pageText(main, "#txtconnectionsnote").find(L"UDP") != std::wstring::npos);

  HeldGame held(game, {servers->covered, servers->uncovered});
  ASSERT_TRUE(held.started());
  // "游戏连接 …" where the system names each connection's program; Wine names
  // none, and the view counts the machine's connections ("本机连接 …") and says so.
  const auto counted = [&](const wchar_t* counts) {
    return waitUntil([&] { return pageText(main, "#txtgameconnections").ends_with(counts); }, 20000);
  };
  ASSERT_TRUE(counted(L"连接 2 个，已加速 1 个"))
      << toUtf8(pageText(main, "#txtgameconnections")) << "\n" << held.output();
  std::printf("Wine's connection table names the stand-in game (process %lu) as the owner of %d of its 2 "
              "connections; the view: %s %s\n",
              held.id(), ownedConnections(held.id(), {servers->covered, servers->uncovered}),
              toUtf8(pageText(main, "#txtgameconnections")).c_str(), toUtf8(pageText(main, "#txtconnectionsnote")).c_str());
  EXPECT_EQ(pageText(main, "#txtbypass"), L"未经加速：" + fromUtf8(servers->uncovered.address));
  EXPECT_TRUE(pageVisible(main, "#linkaddroutes"));
  EXPECT_FALSE(routedIntoTheAdapter(*servers, servers->uncovered.address));
  const std::vector<double> before = nextRounds(held, servers->uncovered, 5);
  ASSERT_GE(before.size(), 5u) << held.output();
  saveScreenshot("end-to-end-game-connections-bypassing");

  ASSERT_TRUE(clickElement(main, "#linkaddroutes", [&] { return !pageVisible(main, "#linkaddroutes"); }));
  ASSERT_TRUE(counted(L"连接 2 个，已加速 2 个")) << toUtf8(pageText(main, "#txtgameconnections"));
  EXPECT_FALSE(pageVisible(main, "#txtbypass"));
  EXPECT_TRUE(routedIntoTheAdapter(*servers, servers->uncovered.address));
  const std::vector<double> after = nextRounds(held, servers->uncovered, 5);
  ASSERT_GE(after.size(), 5u) << held.output();
  saveScreenshot("end-to-end-game-connections-all-accelerated");

  EXPECT_GE(median(before), servers->uncovered.directMs - 3);
  EXPECT_GE(median(after), servers->uncovered.throughNodeMs - 3);
  EXPECT_LE(median(after), servers->uncovered.throughNodeMs + kSlackMs) << "the held connection takes the tunnel";
  const std::vector<double> coveredRounds = held.roundsWith(servers->covered);
  EXPECT_LE(median(coveredRounds), servers->covered.throughNodeMs + kSlackMs);

  ASSERT_TRUE(clickElement(main, "#linkstopacc", [&] { return !pageVisible(main, "#accstatuscontainer"); }));
  EXPECT_TRUE(waitUntil([&] { return pageVisible(main, "#startacccontainer"); }, 15000));
  EXPECT_FALSE(routedIntoTheAdapter(*servers, servers->uncovered.address)) << "the stop removed the added row";
  EXPECT_FALSE(routedIntoTheAdapter(*servers, servers->covered.address));
  const std::vector<double> stopped = nextRounds(held, servers->uncovered, 3);
  EXPECT_GE(median(stopped), servers->uncovered.directMs - 3) << "the connection goes directly again";
  EXPECT_EQ(held.end(), 0u) << held.output();
  std::printf("round trips to %s (median, ms): directly %.1f; after \"加入加速\" %.1f; after the stop %.1f; %s "
              "through the tunnel %.1f\n",
              servers->uncovered.address.c_str(), median(before), median(after), median(stopped),
              servers->covered.address.c_str(), median(coveredRounds));
}

}  // namespace
}  // namespace kestro
