#include "service/zevt_sync_socket_win.h"

#include <ws2tcpip.h>

#include <algorithm>
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
  closeEvent(connectEvent_);
  closeEvent(writeEvent_);
  closeEvent(readEvent_);
  connected_ = false;
}

bool ZEvtSyncSocket::connect(const std::wstring& host, uint16_t port, uint32_t timeoutMs) {
  close();
  if (!startWinsock()) return false;
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
  const ADDRINFOW first = *found;
  std::string address(reinterpret_cast<const char*>(first.ai_addr), first.ai_addrlen);
  FreeAddrInfoW(found);

  socket_ = WSASocketW(first.ai_family, first.ai_socktype, first.ai_protocol, nullptr, 0, WSA_FLAG_OVERLAPPED);
  connectEvent_ = newEvent();
  writeEvent_ = newEvent();
  readEvent_ = newEvent();
  if (socket_ == INVALID_SOCKET || connectEvent_ == WSA_INVALID_EVENT || writeEvent_ == WSA_INVALID_EVENT ||
      readEvent_ == WSA_INVALID_EVENT) {
    lastError_ = WSAGetLastError();
    close();
    return false;
  }
  // Only one event can be selected per socket: the connect event. Sends and
  // receives complete through the events of their overlapped records.
  if (WSAEventSelect(socket_, connectEvent_, FD_CONNECT) != 0) {
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
  if (WaitForSingleObject(connectEvent_, timeoutMs) != WAIT_OBJECT_0) {
    lastError_ = WSAETIMEDOUT;
    close();
    return false;
  }
  WSANETWORKEVENTS events{};
  if (WSAEnumNetworkEvents(socket_, connectEvent_, &events) != 0 || (events.lNetworkEvents & FD_CONNECT) == 0 ||
      events.iErrorCode[FD_CONNECT_BIT] != 0) {
    lastError_ = events.iErrorCode[FD_CONNECT_BIT];
    close();
    return false;
  }
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
    WSABUF buffer{static_cast<ULONG>(std::min<size_t>(size, INT_MAX)), const_cast<char*>(data)};
    WSAOVERLAPPED overlapped{};
    overlapped.hEvent = writeEvent_;
    WSAResetEvent(writeEvent_);
    DWORD sent = 0;
    if (WSASend(socket_, &buffer, 1, &sent, 0, &overlapped, nullptr) != 0 && WSAGetLastError() != WSA_IO_PENDING) {
      lastError_ = WSAGetLastError();
      return false;
    }
    const int64_t moved = finish(overlapped, timeoutMs);
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
  WSABUF piece{static_cast<ULONG>(std::min<size_t>(capacity, INT_MAX)), buffer};
  WSAOVERLAPPED overlapped{};
  overlapped.hEvent = readEvent_;
  WSAResetEvent(readEvent_);
  DWORD received = 0;
  DWORD flags = 0;
  if (WSARecv(socket_, &piece, 1, &received, &flags, &overlapped, nullptr) != 0 &&
      WSAGetLastError() != WSA_IO_PENDING) {
    lastError_ = WSAGetLastError();
    return -1;
  }
  return finish(overlapped, timeoutMs);
}

}  // namespace kestro
