#include "tests/support/loopback_http_server_win.h"

namespace kestro::test {

LoopbackHttpServer::LoopbackHttpServer(Handler handler) : handler_(std::move(handler)) {
  thread_ = std::thread([this] { serve(); });
}

LoopbackHttpServer::LoopbackHttpServer(std::string body)
    : LoopbackHttpServer([body = std::move(body)](const std::string&) { return Response{200, body}; }) {}

LoopbackHttpServer::~LoopbackHttpServer() {
  // Closing the listener ends the blocked accept.
  listener_.close();
  thread_.join();
}

std::vector<std::string> LoopbackHttpServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void LoopbackHttpServer::serve() {
  for (;;) {
    SOCKET client = listener_.accept();
    if (client == INVALID_SOCKET) return;
    const std::string request = readHttpRequest(client);
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }
    const Response response = handler_(request);
    if (!response.hangUp) {
      const std::string bytes = "HTTP/1.1 " + std::to_string(response.status) +
                                " Scripted\r\nContent-Type: text/html\r\nContent-Length: " +
                                std::to_string(response.body.size()) + "\r\nConnection: close\r\n\r\n" + response.body;
      send(client, bytes.data(), static_cast<int>(bytes.size()), 0);
      shutdown(client, SD_SEND);
    }
    closesocket(client);
  }
}

}  // namespace kestro::test
