#include "service/zevt_sync_socket_win.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <string>

namespace kestro {
namespace {

// Events start signalled, as the connection's write and read events do.
HANDLE newEvent() { return WSACreateEvent(); }

void closeEvent(HANDLE& event) {
  if (event != nullptr) WSACloseEvent(event);
  event = nullptr;
}

// Every exchange with the service opens a connection, and under Wine making
// and closing an event are a server request each: the read events of closed
// connections wait here for the next ones. They may still be set; the waits
// below take a set event with no network event in it as nothing. Not one a
// thread in thread_local storage: this runtime frees that storage before it
// runs the destructors at a thread's end, and one read a freed block there,
// closed a heap address as a handle and left the event open.
std::array<std::atomic<HANDLE>, 4> spareReadEvents{};

HANDLE takeReadEvent() {
  for (auto& spare : spareReadEvents) {
    if (HANDLE event = spare.exchange(nullptr)) return event;
  }
  return newEvent();
}

void keepReadEvent(HANDLE& event) {
  if (event == WSA_INVALID_EVENT) event = nullptr;
  if (event == nullptr) return;
  for (auto& spare : spareReadEvents) {
    HANDLE empty = nullptr;
    if (spare.compare_exchange_strong(empty, event)) {
      event = nullptr;
      return;
    }
  }
  closeEvent(event);
}

}  // namespace

bool startWinsock() {
  static const bool started = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

ZEvtSyncSocket::ZEvtSyncSocket() { startWinsock(); }

ZEvtSyncSocket::~ZEvtSyncSocket() { close(); }

void ZEvtSyncSocket::close() {
  std::scoped_lock lock(sendLock_, receiveLock_);
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = INVALID_SOCKET;
  closeEvent(writeEvent_);
  keepReadEvent(readEvent_);
  connected_ = false;
}

bool ZEvtSyncSocket::connect(const std::wstring& host, uint16_t port, uint32_t timeoutMs) {
  close();
  if (!startWinsock()) return false;
  // A numeric IPv4 address (the service's own, loopback) needs no resolver call.
  sockaddr_in numeric{};
  numeric.sin_family = AF_INET;
  numeric.sin_port = htons(port);
  std::string address;
  int family = AF_INET, type = SOCK_STREAM, protocol = IPPROTO_TCP;
  if (InetPtonW(AF_INET, host.c_str(), &numeric.sin_addr) == 1) {
    address.assign(reinterpret_cast<const char*>(&numeric), sizeof(numeric));
  } else if (!resolve(host, port, address, family, type, protocol)) {
    return false;
  }
  return open(address, family, type, protocol, timeoutMs);
}

bool ZEvtSyncSocket::resolve(const std::wstring& host, uint16_t port, std::string& address, int& family, int& type,
                             int& protocol) {
  ADDRINFOW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  ADDRINFOW* found = nullptr;
  const std::wstring service = std::to_wstring(port);
  if (GetAddrInfoW(host.c_str(), service.c_str(), &hints, &found) != 0 || found == nullptr) {
    lastError_ = WSAGetLastError();
    return false;
  }
  // Only the first address is tried.
  address.assign(reinterpret_cast<const char*>(found->ai_addr), found->ai_addrlen);
  family = found->ai_family;
  type = found->ai_socktype;
  protocol = found->ai_protocol;
  FreeAddrInfoW(found);
  return true;
}

bool ZEvtSyncSocket::open(const std::string& address, int family, int type, int protocol, uint32_t timeoutMs) {
  socket_ = WSASocketW(family, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED);
  readEvent_ = takeReadEvent();
  if (socket_ == INVALID_SOCKET || readEvent_ == WSA_INVALID_EVENT) {
    lastError_ = WSAGetLastError();
    close();
    return false;
  }
  // Only one event can be selected per socket: the read event, for the
  // connect, arriving bytes and the close. A receive that finds nothing waits
  // on it; a send that finds the socket's buffer full completes through an
  // overlapped record and an event of its own, made only then. Under Wine
  // each Winsock call that reaches the server costs, and this path makes the
  // fewest.
  if (WSAEventSelect(socket_, readEvent_, FD_CONNECT | FD_READ | FD_CLOSE) != 0) {
    lastError_ = WSAGetLastError();
    close();
    return false;
  }
  if (WSAConnect(socket_, reinterpret_cast<const sockaddr*>(address.data()), static_cast<int>(address.size()),
                 nullptr, nullptr, nullptr, nullptr) == 0) {
    connected_ = true;
    return true;
  }
  lastError_ = WSAGetLastError();
  if (lastError_ != WSAEWOULDBLOCK) {
    close();
    return false;
  }
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  WSANETWORKEVENTS events{};
  do {
    const ULONGLONG now = GetTickCount64();
    if (WaitForSingleObject(readEvent_, now >= deadline ? 0 : static_cast<DWORD>(deadline - now)) != WAIT_OBJECT_0) {
      lastError_ = WSAETIMEDOUT;
      close();
      return false;
    }
    if (WSAEnumNetworkEvents(socket_, readEvent_, &events) != 0) {
      lastError_ = WSAGetLastError();
      close();
      return false;
    }
  } while ((events.lNetworkEvents & FD_CONNECT) == 0);  // the kept event's old signal
  if (events.iErrorCode[FD_CONNECT_BIT] != 0) {
    lastError_ = events.iErrorCode[FD_CONNECT_BIT];
    close();
    return false;
  }
  // Bytes or the close that came with the connection keep the event set for
  // the first receive, which waits on it before its call.
  if ((events.lNetworkEvents & (FD_READ | FD_CLOSE)) != 0) WSASetEvent(readEvent_);
  connected_ = true;
  return true;
}

int64_t ZEvtSyncSocket::finish(WSAOVERLAPPED& overlapped, uint32_t timeoutMs) {
  if (WaitForSingleObject(overlapped.hEvent, timeoutMs) != WAIT_OBJECT_0) {
    lastError_ = WSAETIMEDOUT;
    // The operation must be over before its buffer goes away.
    CancelIoEx(reinterpret_cast<HANDLE>(socket_), &overlapped);
    DWORD moved = 0;
    DWORD flags = 0;
    WSAGetOverlappedResult(socket_, &overlapped, &moved, TRUE, &flags);
    return -1;
  }
  DWORD moved = 0;
  DWORD flags = 0;
  if (!WSAGetOverlappedResult(socket_, &overlapped, &moved, FALSE, &flags)) {
    lastError_ = WSAGetLastError();
    return -1;
  }
  return moved;
}

bool ZEvtSyncSocket::send(const char* data, size_t size, uint32_t timeoutMs) {
  std::lock_guard lock(sendLock_);
  if (!connected_) {
    lastError_ = WSAENOTCONN;
    return false;
  }
  while (size > 0) {
    // As in receive: a plain call while the socket's buffer has room.
    const int taken = ::send(socket_, data, static_cast<int>(std::min<size_t>(size, INT_MAX)), 0);
    if (taken > 0) {
      data += taken;
      size -= static_cast<size_t>(taken);
      continue;
    }
    if (taken < 0 && WSAGetLastError() != WSAEWOULDBLOCK) {
      lastError_ = WSAGetLastError();
      return false;
    }
    if (writeEvent_ == nullptr && (writeEvent_ = newEvent()) == WSA_INVALID_EVENT) {
      writeEvent_ = nullptr;
      lastError_ = WSAGetLastError();
      return false;
    }
    WSABUF buffer{static_cast<ULONG>(std::min<size_t>(size, INT_MAX)), const_cast<char*>(data)};
    WSAOVERLAPPED overlapped{};
    overlapped.hEvent = writeEvent_;
    WSAResetEvent(writeEvent_);
    DWORD sent = 0;
    int64_t moved = 0;
    if (WSASend(socket_, &buffer, 1, &sent, 0, &overlapped, nullptr) == 0) {
      moved = sent;  // done at once: no wait, no second call
    } else if (WSAGetLastError() == WSA_IO_PENDING) {
      moved = finish(overlapped, timeoutMs);
    } else {
      lastError_ = WSAGetLastError();
      return false;
    }
    if (moved <= 0) return false;
    data += moved;
    size -= static_cast<size_t>(moved);
  }
  return true;
}

int64_t ZEvtSyncSocket::receive(char* buffer, size_t capacity, uint32_t timeoutMs) {
  std::lock_guard lock(receiveLock_);
  if (!connected_) {
    lastError_ = WSAENOTCONN;
    return -1;
  }
  // One bounded wait for FD_READ or FD_CLOSE, then one plain call. The event
  // stays set after a receive that took everything, so a later call finds
  // nothing once: the events are then taken (which clears the event), and
  // when bytes or the close came meanwhile there is no wait before the next call.
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  bool wait = true;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (wait && (now >= deadline || WaitForSingleObject(readEvent_, static_cast<DWORD>(deadline - now)) != WAIT_OBJECT_0)) {
      lastError_ = WSAETIMEDOUT;
      return -1;
    }
    const int got = recv(socket_, buffer, static_cast<int>(std::min<size_t>(capacity, INT_MAX)), 0);
    if (got >= 0) return got;
    if (WSAGetLastError() != WSAEWOULDBLOCK) {
      lastError_ = WSAGetLastError();
      return -1;
    }
    WSANETWORKEVENTS events{};
    WSAEnumNetworkEvents(socket_, readEvent_, &events);
    wait = (events.lNetworkEvents & (FD_READ | FD_CLOSE)) == 0;
  }
}

}  // namespace kestro
