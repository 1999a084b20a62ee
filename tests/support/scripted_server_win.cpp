#include "tests/support/scripted_server_win.h"

#include "base/text_convert.h"

namespace kestro::test {
namespace {

// Waits up to 50 ms for `socket` to become readable.
bool readable(SOCKET socket) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(socket, &set);
  timeval wait{0, 50 * 1000};
  return select(0, &set, nullptr, nullptr, &wait) == 1;
}

}  // namespace

ServerScript answer(int status, const std::string& body, const std::string& extraHeaders) {
  return {readRequest(), sendBytes("HTTP/1.1 " + std::to_string(status) + " Scripted\r\nContent-Length: " +
                                   std::to_string(body.size()) + "\r\n" + extraHeaders + "\r\n" + body)};
}

ScriptedServer::ScriptedServer(std::vector<ServerScript> scripts, const char* address)
    : address_(address), scripts_(std::move(scripts)), listener_(address) {
  thread_ = std::thread([this] { serve(); });
}

ScriptedServer::~ScriptedServer() {
  stop_ = true;
  thread_.join();
}

std::wstring ScriptedServer::url(const std::wstring& path) const {
  return L"http://" + fromUtf8(address_) + L":" + std::to_wstring(port()) + path;
}

std::vector<std::string> ScriptedServer::received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

int ScriptedServer::connections() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(received_.size());
}

void ScriptedServer::serve() {
  for (size_t index = 0; index < scripts_.size() && !stopping();) {
    if (!readable(listener_.socket())) continue;
    SOCKET connection = listener_.accept();
    if (connection == INVALID_SOCKET) continue;
    {
      std::lock_guard lock(mutex_);
      received_.emplace_back();
    }
    play(connection, scripts_[index], index);
    shutdown(connection, SD_SEND);
    closesocket(connection);
    ++index;
  }
}

void ScriptedServer::play(SOCKET connection, const ServerScript& script, size_t index) {
  std::string pending;
  auto receiveSome = [&]() -> bool {
    while (!stopping()) {
      if (!readable(connection)) continue;
      char buffer[4096];
      const int got = recv(connection, buffer, sizeof(buffer), 0);
      if (got <= 0) return false;
      pending.append(buffer, got);
      std::lock_guard lock(mutex_);
      received_[index].append(buffer, got);
      return true;
    }
    return false;
  };
  for (const ServerStep& step : script) {
    switch (step.kind) {
      case ServerStep::Kind::ReadRequest: {
        size_t end;
        while ((end = pending.find("\r\n\r\n")) == std::string::npos)
          if (!receiveSome()) return;
        const size_t total = end + 4 + contentLength(pending.substr(0, end + 2));
        while (pending.size() < total)
          if (!receiveSome()) return;
        pending.erase(0, total);
        break;
      }
      case ServerStep::Kind::Send:
        for (size_t sent = 0; sent < step.bytes.size();) {
          const int n = ::send(connection, step.bytes.data() + sent, static_cast<int>(step.bytes.size() - sent), 0);
          if (n <= 0) return;
          sent += static_cast<size_t>(n);
        }
        break;
      case ServerStep::Kind::Pause:
        Sleep(step.ms);
        break;
      case ServerStep::Kind::Close:
        return;
      case ServerStep::Kind::Silent:
        while (receiveSome()) {
        }
        return;
    }
  }
}

}  // namespace kestro::test
