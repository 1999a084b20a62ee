#include "service/http_response_reader.h"

#include <algorithm>
#include <charconv>

namespace kestro {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t'; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A Content-Length: decimal digits (from_chars refuses a value beyond 64
// bits, however many leading zeros). Repeated headers, or a list in one, are
// one length when every item is the same number.
bool parseLength(std::string_view text, uint64_t& out) {
  bool first = true;
  for (const std::string_view item : listItems(text)) {
    uint64_t length = 0;
    const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), length);
    if (error != std::errc() || end != item.data() + item.size()) return false;
    if (!first && length != out) return false;
    out = length;
    first = false;
  }
  return true;
}

// HTTP/1.1 (or a later 1.x) keeps the connection open unless told otherwise;
// HTTP/1.0, or a version we do not know, closes it after the response.
bool persistentByDefault(std::string_view statusLine) {
  return statusLine.starts_with("HTTP/1.") && statusLine.size() > 7 && statusLine[7] >= '1' && statusLine[7] <= '9';
}

}  // namespace

int parseStatusLine(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && !isSpace(line[i])) ++i;
  if (i == line.size()) return -1;
  while (i < line.size() && isSpace(line[i])) ++i;
  int status = 0;
  size_t digits = 0;
  for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
    if (++digits > 9) return -1;
    status = status * 10 + (line[i] - '0');
  }
  return digits == 0 ? -1 : status;
}

bool splitHeaderLine(std::string_view line, std::string_view& name, std::string_view& value) {
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return false;
  name = line.substr(0, colon);
  value = line.substr(colon + 1);
  while (!value.empty() && isSpace(value.front())) value.remove_prefix(1);
  return name.size() <= kMaxHeaderFieldBytes && value.size() <= kMaxHeaderFieldBytes;
}

HttpResponseReader::State HttpResponseReader::fail() {
  state_ = State::Failed;
  pending_.clear();
  pending_.shrink_to_fit();
  body_.clear();
  return state_;
}

size_t HttpResponseReader::receiveSize() const {
  if (state_ == State::Body && framing_ != Framing::Chunked) {
    size_t size = std::max<size_t>(readBlockSize_, 1);
    if (framing_ == Framing::Length) size = std::min<uint64_t>(size, contentLength_ - body_.size());
    return std::max<size_t>(size, 1);
  }
  return kHeaderReceiveSize;
}

HttpResponseReader::State HttpResponseReader::feed(std::string_view bytes) {
  if (bytes.empty()) return feedEmpty();
  emptyReceives_ = 0;
  switch (state_) {
    case State::Header:
      pending_.append(bytes);
      return scanHeader();
    case State::Body:
      return readBody(bytes);
    case State::Complete:
      trailingBytes_ = true;
      return state_;
    case State::Failed:
      return state_;
  }
  return state_;
}

HttpResponseReader::State HttpResponseReader::feedEmpty() {
  if (state_ == State::Body && framing_ == Framing::UntilClose) {
    state_ = State::Complete;
    return state_;
  }
  if (state_ == State::Header || state_ == State::Body) {
    if (++emptyReceives_ >= kMaxEmptyReceives) return fail();
  }
  return state_;
}

HttpResponseReader::State HttpResponseReader::receiveFailed() {
  // A time-out or a reset may come anywhere in a body read until the close:
  // what arrived is not known to be all of it.
  return state_ == State::Complete ? state_ : fail();
}

bool HttpResponseReader::keepsConnection() const {
  return state_ == State::Complete && persistentVersion_ && !trailingBytes_ && !endedByClose() &&
         !headers_.hasToken("Connection", "close");
}

HttpResponseReader::State HttpResponseReader::scanHeader() {
  while (state_ == State::Header) {
    const size_t end = pending_.find("\r\n\r\n", scanFrom_);
    if (end == std::string::npos) {
      if (headerBytes_ + pending_.size() > kMaxHeaderBytes) return fail();
      scanFrom_ = pending_.size() >= 3 ? pending_.size() - 3 : 0;
      return state_;
    }
    const size_t blockSize = end + 4;
    headerBytes_ += blockSize;
    if (headerBytes_ > kMaxHeaderBytes) return fail();
    if (!parseHeaderBlock(std::string_view(pending_).substr(0, end))) return fail();
    pending_.erase(0, blockSize);
    scanFrom_ = 0;
    if (status_ == 100) {
      // An interim response: what follows it is the response that counts.
      headers_.clear();
      status_ = -1;
      continue;
    }
    if (!startBody()) return fail();
    std::string rest;
    rest.swap(pending_);
    if (state_ == State::Complete) {
      trailingBytes_ = !rest.empty();
      return state_;
    }
    if (!rest.empty()) return readBody(rest);
  }
  return state_;
}

bool HttpResponseReader::parseHeaderBlock(std::string_view block) {
  size_t lineEnd = block.find("\r\n");
  status_ = parseStatusLine(block.substr(0, lineEnd));
  if (status_ < 0) return false;
  persistentVersion_ = persistentByDefault(block.substr(0, lineEnd));
  while (lineEnd != std::string_view::npos) {
    const size_t start = lineEnd + 2;
    lineEnd = block.find("\r\n", start);
    std::string_view name, value;
    if (splitHeaderLine(block.substr(start, lineEnd == std::string_view::npos ? lineEnd : lineEnd - start), name, value))
      headers_.add(name, value);
  }
  return true;
}

bool HttpResponseReader::startBody() {
  state_ = State::Body;
  if (bodyless(status_)) {
    state_ = State::Complete;
    return true;
  }
  if (headers_.is("Transfer-Encoding", "chunked")) {
    framing_ = Framing::Chunked;
    chunkStep_ = ChunkStep::Size;
    return true;
  }
  if (const auto length = headers_.find("Content-Length")) {
    if (!parseLength(*length, contentLength_) || contentLength_ > kMaxBodyBytes) return false;
    framing_ = Framing::Length;
    body_.reserve(static_cast<size_t>(contentLength_));
    if (contentLength_ == 0) state_ = State::Complete;
    return true;
  }
  framing_ = Framing::UntilClose;
  return true;
}

HttpResponseReader::State HttpResponseReader::readBody(std::string_view bytes) {
  switch (framing_) {
    case Framing::Chunked:
      return readChunked(bytes);
    case Framing::Length: {
      const size_t wanted = static_cast<size_t>(contentLength_) - body_.size();
      body_.append(bytes.substr(0, wanted));
      if (body_.size() == contentLength_) {
        state_ = State::Complete;
        trailingBytes_ = bytes.size() > wanted;
      }
      return state_;
    }
    case Framing::UntilClose:
      if (body_.size() + bytes.size() > kMaxBodyBytes) return fail();
      body_.append(bytes);
      return state_;
  }
  return state_;
}

HttpResponseReader::State HttpResponseReader::readChunked(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size() && state_ == State::Body) {
    const char c = bytes[i];
    switch (chunkStep_) {
      case ChunkStep::Size: {
        const int digit = hexValue(c);
        if (digit >= 0) {
          // Leading zeros are allowed, but not without end.
          if (++chunkDigits_ > kMaxChunkSizeLine) return fail();
          const uint64_t size = (static_cast<uint64_t>(chunkLeft_) << 4) | static_cast<uint64_t>(digit);
          if (size > 0x7FFFFFFFu) return fail();
          chunkLeft_ = static_cast<uint32_t>(size);
        } else if (c == '\r' && chunkDigits_ > 0) {
          chunkStep_ = ChunkStep::SizeLf;
        } else {
          // Extensions, white space or a missing size: not a chunk we accept.
          return fail();
        }
        ++i;
        break;
      }
      case ChunkStep::SizeLf:
        if (c != '\n') return fail();
        ++i;
        chunkDigits_ = 0;
        if (chunkLeft_ == 0) {
          chunkStep_ = ChunkStep::Trailer;
          pending_.clear();
        } else {
          if (body_.size() + chunkLeft_ > kMaxBodyBytes) return fail();
          chunkStep_ = ChunkStep::Data;
        }
        break;
      case ChunkStep::Data: {
        const size_t take = std::min<size_t>(chunkLeft_, bytes.size() - i);
        body_.append(bytes.substr(i, take));
        chunkLeft_ -= static_cast<uint32_t>(take);
        i += take;
        if (chunkLeft_ == 0) chunkStep_ = ChunkStep::DataCr;
        break;
      }
      case ChunkStep::DataCr:
        if (c != '\r') return fail();
        chunkStep_ = ChunkStep::DataLf;
        ++i;
        break;
      case ChunkStep::DataLf:
        if (c != '\n') return fail();
        chunkStep_ = ChunkStep::Size;
        ++i;
        break;
      case ChunkStep::Trailer: {
        // Trailer lines until the empty line that ends the body.
        const size_t lf = bytes.find('\n', i);
        const size_t end = lf == std::string_view::npos ? bytes.size() : lf + 1;
        if (headerBytes_ + pending_.size() + (end - i) > kMaxHeaderBytes) return fail();
        pending_.append(bytes.substr(i, end - i));
        i = end;
        if (lf != std::string_view::npos && !takeTrailerLine(pending_)) return fail();
        break;
      }
    }
  }
  if (state_ == State::Complete && i < bytes.size()) trailingBytes_ = true;
  return state_;
}

bool HttpResponseReader::takeTrailerLine(std::string_view line) {
  if (line.size() < 2 || line[line.size() - 2] != '\r') return false;
  headerBytes_ += line.size();
  line.remove_suffix(2);
  if (line.empty()) {
    state_ = State::Complete;
  } else {
    std::string_view name, value;
    if (splitHeaderLine(line, name, value)) headers_.add(name, value);
  }
  pending_.clear();
  return true;
}

}  // namespace kestro
