// The connection an HTTP client talks through. The Winsock one is
// ZEvtSyncSocket (zevt_sync_socket_win.h); tests can put a scripted one in its place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestro {

class HttpTransport {
 public:
  virtual ~HttpTransport() = default;

  virtual bool isConnected() const = 0;
  // Resolves `host` (first address only) and connects, waiting at most `timeoutMs`.
  virtual bool connect(const std::wstring& host, uint16_t port, uint32_t timeoutMs) = 0;
  // Sends all of `data`; each wait for completion is bounded by `timeoutMs`.
  virtual bool send(const char* data, size_t size, uint32_t timeoutMs) = 0;
  // Receives at most `capacity` bytes: the count (0 when the peer has closed or
  // sent nothing), or -1 when the receive failed or its wait timed out.
  virtual int64_t receive(char* buffer, size_t capacity, uint32_t timeoutMs) = 0;
  virtual void close() = 0;
};

}  // namespace kestro
