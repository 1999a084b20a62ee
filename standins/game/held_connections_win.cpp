#include "standins/game/held_connections_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "standins/game/game_sockets_win.h"
#include "standins/game/held_rounds.h"

namespace kestro::game {
namespace {

constexpr DWORD kConnectPatienceMs = 5000;
constexpr DWORD kRoundPatienceMs = 5000;  // TCP resends what is lost: a round may take a while
constexpr DWORD kRoundPauseMs = 500;
constexpr size_t kRoundBytes = 64;

struct HeldServer {
  std::string text;  // "192.0.2.20:9000"
  sockaddr_in address{};
};

bool parseServer(const std::string& text, HeldServer& server) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  const unsigned long port = std::strtoul(text.c_str() + colon + 1, nullptr, 10);
  server.text = text;
  server.address.sin_family = AF_INET;
  server.address.sin_port = htons(static_cast<u_short>(port));
  return port > 0 && port < 65536 && InetPtonA(AF_INET, text.substr(0, colon).c_str(), &server.address.sin_addr) == 1;
}

std::mutex outputLock;

void print(const std::string& line) {
  const std::lock_guard lock(outputLock);
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

// One round: the payload out and all of it back.
bool exchange(SOCKET socket, const std::vector<char>& payload) {
  const double start = nowMs();
  if (send(socket, payload.data(), static_cast<int>(payload.size()), 0) != static_cast<int>(payload.size())) {
    return false;
  }
  std::vector<char> answer(payload.size());
  size_t back = 0;
  while (back < payload.size() && readable(socket, start + kRoundPatienceMs)) {
    const int got = recv(socket, answer.data() + back, static_cast<int>(answer.size() - back), 0);
    if (got <= 0) return false;
    back += static_cast<size_t>(got);
  }
  return back == payload.size();
}

void playRounds(const HeldServer& server, SOCKET socket, const std::atomic<bool>& ending) {
  const std::vector<char> payload(kRoundBytes, 'h');
  for (int round = 1; !ending; ++round) {
    const double start = nowMs();
    if (!exchange(socket, payload)) {
      print(heldRoundLine({server.text, round, std::nullopt}));
      return;
    }
    print(heldRoundLine({server.text, round, nowMs() - start}));
    Sleep(kRoundPauseMs);
  }
}

// A line "end" on a piped standard input ends the rounds early.
void watchInput(std::atomic<bool>& ending) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (input == nullptr || input == INVALID_HANDLE_VALUE || GetFileType(input) != FILE_TYPE_PIPE) return;
  std::thread([input, &ending] {
    std::string line;
    char c = 0;
    DWORD got = 0;
    while (!ending && ReadFile(input, &c, 1, &got, nullptr) && got == 1) {
      if (c != '\n') {
        line += c;
        continue;
      }
      if (line == "end" || line == "end\r") ending = true;
      line.clear();
    }
  }).detach();
}

}  // namespace

int runHeldConnections(int argc, char** argv) {
  std::vector<HeldServer> servers;
  unsigned long seconds = 60;
  bool understood = true;
  for (int i = 2; i < argc && understood; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
      seconds = std::strtoul(argv[++i], nullptr, 10);
      understood = seconds > 0;
      continue;
    }
    HeldServer server;
    understood = parseServer(argv[i], server);
    servers.push_back(server);
  }
  if (!understood || servers.empty()) {
    std::fprintf(stderr, "usage: kestro-stand-in-game --hold <ip:port> [<ip:port> ...] [--seconds <n>]\n");
    return 2;
  }
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
    std::fprintf(stderr, "kestro-stand-in-game: Winsock did not start\n");
    return 1;
  }
  std::vector<std::unique_ptr<Socket>> sockets;
  for (const HeldServer& server : servers) {
    sockets.push_back(std::make_unique<Socket>(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)));
    if (!connectWithin(sockets.back()->get(), server.address, kConnectPatienceMs)) {
      std::fprintf(stderr, "kestro-stand-in-game: no connection to %s\n", server.text.c_str());
      WSACleanup();
      return 1;
    }
    print("held " + server.text + " connected");
  }
  std::atomic<bool> ending = false;
  watchInput(ending);
  std::vector<std::thread> players;
  for (size_t i = 0; i < servers.size(); ++i) {
    players.emplace_back(playRounds, std::cref(servers[i]), sockets[i]->get(), std::cref(ending));
  }
  const ULONGLONG deadline = GetTickCount64() + seconds * 1000ULL;
  while (!ending && GetTickCount64() < deadline) Sleep(100);
  ending = true;
  for (std::thread& player : players) player.join();
  sockets.clear();
  WSACleanup();
  return 0;
}

}  // namespace kestro::game
