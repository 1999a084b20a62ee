// What a caller asks of one HTTP exchange. Every request of the program uses the
// defaults below; only the method, the data type and the body differ.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestro {

inline constexpr uint32_t kRequestAutoRedirect = 1;   // follow 301, 302 and 303
inline constexpr uint32_t kRequestProcessStatus = 2;  // refuse statuses outside the accepted set
inline constexpr uint32_t kRequestSendInBlocks = 8;   // send the body in sendBlockSize pieces

inline constexpr wchar_t kFormDataType[] = L"application/x-www-form-urlencoded";

struct RequestOptions {
  std::wstring method = L"GET";
  std::optional<std::wstring> extraHeaders;  // verbatim, each line ending in CR LF
  std::optional<std::wstring> dataType;      // the Content-Type of the body
  std::string body;                          // bytes; its size is the Content-Length
  uint32_t flags = kRequestAutoRedirect | kRequestProcessStatus | kRequestSendInBlocks;
  uint32_t timeoutMs = 10000;                // bound of each connect, send and receive wait
  uint32_t sendBlockSize = 4096;
  uint32_t readBlockSize = 4096;
  uint16_t port = 80;                        // used when the URL names no port
};

}  // namespace kestro
