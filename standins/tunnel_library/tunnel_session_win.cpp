#include "standins/tunnel_library/tunnel_session_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>

#include "accel/tunnel_interface.h"
#include "accel/world_relay_win.h"
#include "app/window_messages.h"

namespace viadex {
namespace {

constexpr DWORD kAuthenticationTimeoutMs = 10000;
constexpr DWORD kRetryPauseMs = 250;
constexpr int kKeepAliveBytes = 512;

class Socket {
 public:
  explicit Socket(SOCKET socket = INVALID_SOCKET) : socket_(socket) {}
  ~Socket() { reset(INVALID_SOCKET); }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  SOCKET get() const { return socket_; }
  void reset(SOCKET socket) {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = socket;
  }
  SOCKET release() {
    const SOCKET socket = socket_;
    socket_ = INVALID_SOCKET;
    return socket;
  }

 private:
  SOCKET socket_;
};

bool stopped(HANDLE stopEvent, DWORD waitMs) { return WaitForSingleObject(stopEvent, waitMs) == WAIT_OBJECT_0; }

// Waits up to `ms` for the non-blocking connect of `socket` to finish.
bool finishConnect(SOCKET socket, DWORD ms) {
  fd_set writable, failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(socket, &writable);
  FD_SET(socket, &failed);
  timeval timeout{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
  return select(0, nullptr, &writable, &failed, &timeout) == 1 && FD_ISSET(socket, &writable);
}

enum class Connect { Connected, Stopped, TimedOut };

// Tries the node again and again until it answers, the stop event fires or the
// connection time-out has passed.
Connect connectToNode(const TunnelSettings& settings, Socket& connection) {
  sockaddr_in node{};
  node.sin_family = AF_INET;
  node.sin_port = htons(static_cast<u_short>(settings.nodePort));
  if (inet_pton(AF_INET, settings.nodeIp.c_str(), &node.sin_addr) != 1) {
    return stopped(settings.stopEvent, settings.connectTimeoutMs) ? Connect::Stopped : Connect::TimedOut;
  }
  const ULONGLONG deadline = GetTickCount64() + settings.connectTimeoutMs;
  for (;;) {
    Socket attempt(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    u_long nonBlocking = 1;
    ioctlsocket(attempt.get(), FIONBIO, &nonBlocking);
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return Connect::TimedOut;
    const DWORD left = static_cast<DWORD>(deadline - now);
    if (connect(attempt.get(), reinterpret_cast<sockaddr*>(&node), sizeof(node)) == 0 ||
        (WSAGetLastError() == WSAEWOULDBLOCK && finishConnect(attempt.get(), left < 1000 ? left : 1000))) {
      connection.reset(attempt.release());
      return Connect::Connected;
    }
    if (stopped(settings.stopEvent, kRetryPauseMs)) return Connect::Stopped;
  }
}

// Sends the user and waits for the node's one-line answer: true for "OK".
// `streamed` counts the bytes the node sent after its answer in the same reads.
bool authenticate(const TunnelSettings& settings, SOCKET connection, uint32_t& streamed) {
  const std::string request = "AUTH\t" + settings.userName + "\t" + settings.password + "\n";
  if (send(connection, request.data(), static_cast<int>(request.size()), 0) != static_cast<int>(request.size())) {
    return false;
  }
  std::string answer;
  const ULONGLONG deadline = GetTickCount64() + kAuthenticationTimeoutMs;
  while (answer.find('\n') == std::string::npos && answer.size() < 64) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(connection, &readable);
    timeval timeout{0, 200000};
    if (select(0, &readable, nullptr, nullptr, &timeout) == 1) {
      char chunk[64];
      const int got = recv(connection, chunk, sizeof(chunk), 0);
      if (got <= 0) return false;
      answer.append(chunk, got);
    }
    if (stopped(settings.stopEvent, 0)) return false;
  }
  const size_t end = answer.find('\n');
  if (end == std::string::npos) return false;
  streamed = static_cast<uint32_t>(answer.size() - end - 1);
  return answer.compare(0, end, "OK") == 0;
}

// Heap texts outlive the library: the window may handle WM_TUNNEL_INFO after
// the client has unloaded us. Three small texts per tunnel are never freed.
void postInfo(HWND window, int kind, const std::string& text) {
  char* copy = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, text.size() + 1));
  if (copy == nullptr) return;
  std::memcpy(copy, text.c_str(), text.size() + 1);
  if (!PostMessageA(window, kestro::WM_TUNNEL_INFO, kind, reinterpret_cast<LPARAM>(copy))) {
    HeapFree(GetProcessHeap(), 0, copy);
  }
}

struct TunnelCounts {
  uint32_t received = 0;
  uint32_t sent = 0;
};

// The bytes the test world's relay carried through this tunnel ("traffic":
// "ok up sent <n> received <n>"); nothing when it could not be asked.
std::optional<TunnelCounts> relayCounts(kestro::WorldRelayConnection& relay) {
  const auto answer = relay.ask("traffic");
  char state[8] = {};
  unsigned long long sent = 0, received = 0;
  if (!answer || std::sscanf(answer->c_str(), "ok %7s sent %llu received %llu", state, &sent, &received) != 3) {
    return std::nullopt;
  }
  return TunnelCounts{static_cast<uint32_t>(received), static_cast<uint32_t>(sent)};
}

// Reads what the node streams (its silence means the path to it is gone),
// sends a keep-alive and reports the counters once a second, until the stop
// event fires, the node closes the connection or the node has sent nothing for
// the silence time-out. In the test world the counters are the bytes that
// crossed the tunnel, as its relay counted them; elsewhere no packet crosses
// it, and they are the bytes of the connection to the node.
void exchangeTraffic(const TunnelSettings& settings, SOCKET connection, uint32_t received) {
  WSAEVENT network = WSACreateEvent();
  WSAEventSelect(connection, network, FD_READ | FD_CLOSE);
  const HANDLE waits[2] = {settings.stopEvent, network};
  uint32_t sent = 0;
  TunnelCounts carried;
  kestro::WorldRelayConnection relay;
  char buffer[16384];
  char keepAlive[kKeepAliveBytes];
  std::memset(keepAlive, 'k', sizeof(keepAlive));
  ULONGLONG nextReport = GetTickCount64() + 1000;
  ULONGLONG lastHeard = GetTickCount64();
  bool open = true;
  while (open) {
    const ULONGLONG now = GetTickCount64();
    const DWORD wait = now >= nextReport ? 0 : static_cast<DWORD>(nextReport - now);
    const DWORD which = WaitForMultipleObjects(2, waits, FALSE, wait);
    if (which == WAIT_OBJECT_0) break;
    if (which == WAIT_OBJECT_0 + 1) {
      WSANETWORKEVENTS events{};
      WSAEnumNetworkEvents(connection, network, &events);
      for (;;) {
        const int got = recv(connection, buffer, sizeof(buffer), 0);
        if (got > 0) {
          received += static_cast<uint32_t>(got);
          lastHeard = GetTickCount64();
          continue;
        }
        if (got == 0 || WSAGetLastError() != WSAEWOULDBLOCK) open = false;
        break;
      }
      if (events.lNetworkEvents & FD_CLOSE) open = false;
    }
    if (GetTickCount64() >= nextReport) {
      const int out = send(connection, keepAlive, sizeof(keepAlive), 0);
      if (out > 0) sent += static_cast<uint32_t>(out);
      if (settings.countsFromRelay) carried = relayCounts(relay).value_or(carried);
      const TunnelCounts reported = settings.countsFromRelay ? carried : TunnelCounts{received, sent};
      PostMessageA(settings.window, kestro::WM_TUNNEL_TRAFFIC, reported.received, static_cast<LPARAM>(reported.sent));
      nextReport += 1000;
      if (GetTickCount64() - lastHeard > settings.silenceTimeoutMs) open = false;
    }
  }
  WSACloseEvent(network);
}

}  // namespace

void runTunnel(const TunnelSettings& settings) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  {
    Socket connection;
    switch (connectToNode(settings, connection)) {
      case Connect::Stopped:
        break;
      case Connect::TimedOut:
        PostMessageA(settings.window, kestro::WM_TUNNEL_ERROR, 0, kestro::kTunnelErrorNoConnection);
        break;
      case Connect::Connected:
        uint32_t streamed = 0;
        if (!authenticate(settings, connection.get(), streamed)) {
          if (!stopped(settings.stopEvent, 0)) {
            PostMessageA(settings.window, kestro::WM_TUNNEL_ERROR, 0, kestro::kTunnelErrorAuthentication);
          }
          break;
        }
        postInfo(settings.window, kestro::kTunnelInfoGateway, settings.gateway);
        postInfo(settings.window, kestro::kTunnelInfoAdapterAddress, settings.adapterAddress);
        postInfo(settings.window, kestro::kTunnelInfoAdapterMask, settings.adapterMask);
        PostMessageA(settings.window, kestro::WM_TUNNEL_CONNECTED, 0, 0);
        exchangeTraffic(settings, connection.get(), streamed);
        break;
    }
  }
  WSACleanup();
}

}  // namespace viadex
