// kestro-reference-service <port> [data.json [address]]
// Serves login.php, node.php, game.php, acc.php and announce.php on
// <address>:<port> (127.0.0.1 unless given; the test world gives its own) from
// the data file, plus plain pages for the web site's links. Port 0 takes a
// free port. SIGTERM ends it. Prints "listening on <address>:<port>" once it
// accepts connections, then one line per request: method, path, form fields.
#include <httplib.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <mutex>
#include <string>

#include "standins/reference_service/reference_answers.h"
#include "standins/reference_service/reference_data.h"

namespace {

using kestro::reference::Form;

std::string localTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  char text[32];
  std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &parts);
  return text;
}

Form formOf(const httplib::Request& request) {
  Form form;
  for (const auto& [name, value] : request.params) form.emplace(name, value);
  return form;
}

std::mutex logLock;

void logRequest(const httplib::Request& request, const httplib::Response& response) {
  std::lock_guard lock(logLock);
  std::cout << request.method << ' ' << request.path << " ->" << ' ' << response.status;
  for (const auto& [name, value] : request.params) std::cout << ' ' << name << '=' << '"' << value << '"';
  std::cout << std::endl;
}

void replyJson(httplib::Response& response, const nlohmann::json& body) {
  response.set_content(body.dump(), "text/html; charset=utf-8");
}

void sitePage(httplib::Response& response, const std::string& title) {
  response.set_content("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + title +
                           "</title></head><body><h1>" + title + "</h1><p>泓迈网游加速器参考服务</p></body></html>",
                       "text/html; charset=utf-8");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::cerr << "usage: kestro-reference-service <port> [data.json [address]]\n";
    return 2;
  }
  char* end = nullptr;
  const long port = std::strtol(argv[1], &end, 10);
  if (*end != '\0' || port < 0 || port > 65535) {
    std::cerr << "not a port: " << argv[1] << '\n';
    return 2;
  }
  std::string error;
  const auto loaded = kestro::reference::loadReferenceData(argc >= 3 ? argv[2] : KESTRO_REFERENCE_DATA, error);
  if (!loaded) {
    std::cerr << error << '\n';
    return 1;
  }
  const nlohmann::json& data = *loaded;

  httplib::Server server;
  server.set_logger(logRequest);
  server.Post("/login.php", [&](const httplib::Request& request, httplib::Response& response) {
    replyJson(response, kestro::reference::answerLogin(data, formOf(request), request.remote_addr));
  });
  server.Get("/node.php", [&](const httplib::Request&, httplib::Response& response) {
    replyJson(response, kestro::reference::answerNodes(data));
  });
  server.Get("/game.php", [&](const httplib::Request& request, httplib::Response& response) {
    replyJson(response, kestro::reference::answerGames(data, request.get_param_value("type")));
  });
  server.Post("/acc.php", [&](const httplib::Request& request, httplib::Response& response) {
    replyJson(response, kestro::reference::answerAcceleration(data, formOf(request), localTimeText()));
  });
  server.Get("/announce.php", [&](const httplib::Request&, httplib::Response& response) {
    replyJson(response, kestro::reference::answerAnnouncements(data));
  });
  server.Get("/", [](const httplib::Request&, httplib::Response& response) { sitePage(response, "泓迈网游加速器"); });
  server.Get("/User/register.html", [](const httplib::Request&, httplib::Response& response) {
    sitePage(response, "注册新用户");
  });
  server.Get("/User/forgotpwd.html", [](const httplib::Request&, httplib::Response& response) {
    sitePage(response, "找回密码");
  });
  server.Get(R"(/Game/([A-Za-z0-9]+)\.html)", [](const httplib::Request& request, httplib::Response& response) {
    sitePage(response, request.matches[1].str());
  });
  server.Get(R"(/Service/viewannounce/id/(\d+)\.html)", [&](const httplib::Request& request, httplib::Response& response) {
    std::string title = "公告";
    for (const auto& entry : data["announcements"])
      if (std::to_string(entry.value("id", 0)) == request.matches[1].str()) title = entry.value("articletitle", title);
    sitePage(response, title);
  });

  const std::string address = argc == 4 ? argv[3] : "127.0.0.1";
  int bound = static_cast<int>(port);
  if (port == 0) {
    bound = server.bind_to_any_port(address);
  } else if (!server.bind_to_port(address, bound)) {
    bound = -1;
  }
  if (bound <= 0) {
    std::cerr << "cannot listen on " << address << ":" << port << '\n';
    return 1;
  }
  std::cout << "listening on " << address << ":" << bound << std::endl;
  server.listen_after_bind();
  return 0;
}
