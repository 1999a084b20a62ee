// The Winsock connection of the HTTP client: one overlapped TCP socket with
// event objects, every wait bounded by the caller's time-out.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <mutex>
#include <string>

#include "service/http_transport.h"

namespace kestro {

// Starts Winsock 2 once per process; true when it is available.
bool startWinsock();

class ZEvtSyncSocket : public HttpTransport {
 public:
  ZEvtSyncSocket();
  ~ZEvtSyncSocket() override;
  ZEvtSyncSocket(const ZEvtSyncSocket&) = delete;
  ZEvtSyncSocket& operator=(const ZEvtSyncSocket&) = delete;

  bool isConnected() const override { return connected_; }
  bool connect(const std::wstring& host, uint16_t port, uint32_t timeoutMs) override;
  bool send(const char* data, size_t size, uint32_t timeoutMs) override;
  int64_t receive(char* buffer, size_t capacity, uint32_t timeoutMs) override;
  void close() override;

  // The last Winsock error seen (0 when none).
  int lastError() const { return lastError_; }

 private:
  // Waits for an overlapped operation; on time-out or failure cancels it so
  // its buffer is no longer used. Returns the bytes moved or -1.
  int64_t finish(WSAOVERLAPPED& overlapped, uint32_t timeoutMs);
  // The first address of a host name through the resolver.
  bool resolve(const std::wstring& host, uint16_t port, std::string& address, int& family, int& type, int& protocol);
  // Socket, events and the connect bounded by `timeoutMs`.
  bool open(const std::string& address, int family, int type, int protocol, uint32_t timeoutMs);

  SOCKET socket_ = INVALID_SOCKET;
  HANDLE writeEvent_ = nullptr;    // overlapped sends that had to wait; made the first time one does
  HANDLE readEvent_ = nullptr;     // selected: FD_CONNECT, FD_READ, FD_CLOSE
  bool connected_ = false;
  int lastError_ = 0;
  std::mutex sendLock_;
  std::mutex receiveLock_;
};

}  // namespace kestro
