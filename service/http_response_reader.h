// The response side of one HTTP exchange as a state machine fed with the bytes
// received, apart from any socket: status line, headers (joined by name),
// interim 100 responses, and a body framed by Content-Length, chunked encoding
// (with trailers) or the peer's close. A hostile peer cannot push it past its
// caps; going past one fails the exchange.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "service/http_headers.h"

namespace kestro {

inline constexpr size_t kMaxHeaderBytes = 64 * 1024;         // all header lines, interim and trailers included
inline constexpr size_t kMaxBodyBytes = 16 * 1024 * 1024;    // the (decoded) body
inline constexpr size_t kMaxChunkSizeLine = 1024;            // hex digits of a chunk size, leading zeros included;
                                                             // the size itself must fit a signed 32-bit integer
inline constexpr size_t kHeaderReceiveSize = 2048;           // receives while headers or chunks are read
inline constexpr int kMaxEmptyReceives = 5;                  // the fifth empty receive in a row fails
inline constexpr size_t kMaxHeaderFieldBytes = 1023;         // longer names or values are skipped

class HttpResponseReader {
 public:
  enum class State { Header, Body, Complete, Failed };

  explicit HttpResponseReader(size_t readBlockSize = 4096) : readBlockSize_(readBlockSize) {}

  // Bytes from one receive that returned data.
  State feed(std::string_view bytes);
  // A receive that returned no bytes: the end of a body read until the close,
  // otherwise tolerated up to kMaxEmptyReceives in a row.
  State feedEmpty();
  // A receive that failed or timed out: the end of the exchange, even of a
  // body read until the close (only the orderly close of feedEmpty ends one).
  State receiveFailed();

  State state() const { return state_; }
  // How many bytes the next receive should ask for.
  size_t receiveSize() const;

  int status() const { return status_; }
  const HttpHeaders& headers() const { return headers_; }
  const std::string& body() const { return body_; }
  std::string takeBody() { return std::move(body_); }
  // Bytes that arrived after the complete response.
  bool hasTrailingBytes() const { return trailingBytes_; }
  // The body ended with the peer's orderly close.
  bool endedByClose() const { return state_ == State::Complete && framing_ == Framing::UntilClose && !bodyless(status_); }
  // The connection is fit for another exchange: the response is complete and
  // nothing has spent the connection (an HTTP/1.0 status line, "close" in
  // Connection, bytes after the response, a body ended by the close).
  bool keepsConnection() const;

 private:
  enum class Framing { Length, Chunked, UntilClose };
  enum class ChunkStep { Size, SizeLf, Data, DataCr, DataLf, Trailer };

  static bool bodyless(int status) { return (status >= 100 && status < 200) || status == 204 || status == 304; }
  State fail();
  State scanHeader();
  bool parseHeaderBlock(std::string_view block);
  bool startBody();
  State readBody(std::string_view bytes);
  State readChunked(std::string_view bytes);
  bool takeTrailerLine(std::string_view line);

  size_t readBlockSize_;
  State state_ = State::Header;
  Framing framing_ = Framing::UntilClose;
  ChunkStep chunkStep_ = ChunkStep::Size;
  int status_ = -1;
  bool persistentVersion_ = false;  // HTTP/1.1 or a later 1.x
  HttpHeaders headers_;
  std::string pending_;        // header bytes not yet scanned, then the trailer line being read
  size_t headerBytes_ = 0;     // header bytes accepted so far
  size_t scanFrom_ = 0;        // where the search for the blank line resumes
  std::string body_;
  uint64_t contentLength_ = 0;
  uint32_t chunkLeft_ = 0;
  size_t chunkDigits_ = 0;
  int emptyReceives_ = 0;
  bool trailingBytes_ = false;
};

// Parses a status line's code: the decimal number after the first run of white
// space. -1 when there is none.
int parseStatusLine(std::string_view line);

// Splits "Name: value" at its first colon, skipping white space before the
// value. False for a line without a colon or with a name or value that is too long.
bool splitHeaderLine(std::string_view line, std::string_view& name, std::string_view& value);

}  // namespace kestro
