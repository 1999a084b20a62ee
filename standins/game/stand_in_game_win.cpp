// kestro-stand-in-game <server ip> <port> [--rounds <n>] [--size <bytes>] [--pause <ms>] [--seconds <n>]
// kestro-stand-in-game --hold <ip:port> [<ip:port> ...] [--seconds <n>] (standins/game/held_connections_win.h)
// A game's traffic to one of its servers, for the test world: UDP datagrams
// and a TCP connection to the server's echo service, each round timed. Prints
// one report line per protocol (standins/game/round_trips.h) and the times of
// every answered round. With --seconds, a steady stream instead: both
// protocols at once, round after round, for that long (--rounds is then
// ignored), as a game that is being played; it prints the report lines alone. Built with the Windows tree;
// never shipped.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "standins/game/game_sockets_win.h"
#include "standins/game/held_connections_win.h"
#include "standins/game/round_trips.h"

namespace {

using kestro::game::connectWithin;
using kestro::game::nowMs;
using kestro::game::readable;
using kestro::game::RoundTrips;
using kestro::game::Socket;

constexpr DWORD kUdpPatienceMs = 1000;  // a datagram not back by then is lost
constexpr DWORD kTcpPatienceMs = 5000;  // TCP resends what is lost: a round may take a while

struct Options {
  std::string server;
  u_short port = 0;
  int rounds = 20;
  size_t size = 512;
  DWORD pauseMs = 50;
  DWORD seconds = 0;  // 0: `rounds` rounds one protocol after the other; else a stream that long

  // Whether round number `round` is still to be played, the first having begun at `startMs`.
  bool another(int round, double startMs, double nowMs) const {
    return seconds != 0 ? nowMs - startMs < seconds * 1000.0 : round < rounds;
  }
};

// Each round's datagram starts with its number; a late answer to an earlier
// round is read and left out.
RoundTrips udpRounds(const Options& options, const sockaddr_in& server) {
  RoundTrips trips{"udp", options.server + ":" + std::to_string(options.port), options.rounds, {}, 0, 0};
  Socket socket(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  if (connect(socket.get(), reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0) return trips;
  std::vector<char> payload(std::max<size_t>(options.size, sizeof(uint32_t)), 'g');
  std::vector<char> answer(payload.size() + 1);
  const double begun = nowMs();
  uint32_t round = 0;
  for (; options.another(static_cast<int>(round), begun, nowMs()); ++round) {
    std::memcpy(payload.data(), &round, sizeof round);
    const double start = nowMs();
    if (send(socket.get(), payload.data(), static_cast<int>(payload.size()), 0) == static_cast<int>(payload.size())) {
      trips.sentBytes += payload.size();
    }
    const double deadline = start + kUdpPatienceMs;
    while (readable(socket.get(), deadline)) {
      const int got = recv(socket.get(), answer.data(), static_cast<int>(answer.size()), 0);
      if (got < static_cast<int>(sizeof round)) continue;
      trips.receivedBytes += static_cast<uint64_t>(got);
      uint32_t number = 0;
      std::memcpy(&number, answer.data(), sizeof number);
      if (number == round) {
        trips.answeredMs.push_back(nowMs() - start);
        break;
      }
    }
    Sleep(options.pauseMs);
  }
  trips.rounds = static_cast<int>(round);
  return trips;
}

// One connection; each round sends the payload and waits for all of it back.
// A round that does not complete ends the exchange: the rest are unanswered.
RoundTrips tcpRounds(const Options& options, const sockaddr_in& server) {
  // A stream counts the rounds it played; a fixed number counts those it did not as unanswered.
  RoundTrips trips{"tcp", options.server + ":" + std::to_string(options.port),
                   options.seconds != 0 ? 0 : options.rounds, {}, 0, 0};
  Socket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!connectWithin(socket.get(), server, kTcpPatienceMs)) return trips;
  const std::vector<char> payload(options.size, 't');
  std::vector<char> answer(options.size);
  const double begun = nowMs();
  for (int round = 0; options.another(round, begun, nowMs()); ++round) {
    if (options.seconds != 0) trips.rounds = round + 1;
    const double start = nowMs();
    if (send(socket.get(), payload.data(), static_cast<int>(payload.size()), 0) != static_cast<int>(payload.size())) {
      break;
    }
    trips.sentBytes += payload.size();
    size_t back = 0;
    while (back < payload.size() && readable(socket.get(), start + kTcpPatienceMs)) {
      const int got = recv(socket.get(), answer.data(), static_cast<int>(answer.size() - back), 0);
      if (got <= 0) break;
      back += static_cast<size_t>(got);
    }
    trips.receivedBytes += back;
    if (back < payload.size()) break;
    trips.answeredMs.push_back(nowMs() - start);
    Sleep(options.pauseMs);
  }
  return trips;
}

bool parseOptions(int argc, char** argv, Options& options) {
  if (argc < 3) return false;
  options.server = argv[1];
  options.port = static_cast<u_short>(std::strtoul(argv[2], nullptr, 10));
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const unsigned long value = std::strtoul(argv[i + 1], nullptr, 10);
    if (name == "--rounds" && value > 0) {
      options.rounds = static_cast<int>(value);
    } else if (name == "--size" && value >= sizeof(uint32_t) && value <= 60000) {
      options.size = value;
    } else if (name == "--pause") {
      options.pauseMs = value;
    } else if (name == "--seconds" && value > 0) {
      options.seconds = value;
    } else {
      return false;
    }
  }
  return options.port != 0 && argc % 2 == 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--hold") == 0) return kestro::game::runHeldConnections(argc, argv);
  Options options;
  sockaddr_in server{};
  server.sin_family = AF_INET;
  if (!parseOptions(argc, argv, options) || InetPtonA(AF_INET, options.server.c_str(), &server.sin_addr) != 1) {
    std::fprintf(stderr,
                 "usage: kestro-stand-in-game <server ip> <port> [--rounds <n>] [--size <4 to 60000 bytes>] "
                 "[--pause <ms>] [--seconds <n>]\n");
    return 2;
  }
  server.sin_port = htons(options.port);
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
    std::fprintf(stderr, "kestro-stand-in-game: Winsock did not start\n");
    return 1;
  }
  RoundTrips udp, tcp;
  if (options.seconds != 0) {
    std::thread udpStream([&] { udp = udpRounds(options, server); });
    tcp = tcpRounds(options, server);
    udpStream.join();
  } else {
    udp = udpRounds(options, server);
    tcp = tcpRounds(options, server);
  }
  for (const RoundTrips& trips : {udp, tcp}) {
    std::printf("%s\n", kestro::game::reportLine(trips).c_str());
    // A stream's thousands of times would bury its report.
    if (options.seconds == 0) std::printf("%s\n", kestro::game::timesLine(trips).c_str());
    std::fflush(stdout);
  }
  WSACleanup();
  return 0;
}
