#include "service/http_client.h"

#include <algorithm>
#include <vector>

#include "base/text_convert.h"
#include "service/http_response_reader.h"

namespace kestro {
namespace {

enum class StatusVerdict { Accepted, Redirect, Refused };

StatusVerdict judgeStatus(int status) {
  if ((status >= 200 && status <= 206) || status == 304 || status == 305) return StatusVerdict::Accepted;
  if (status >= 301 && status <= 303) return StatusVerdict::Redirect;
  // 401 and 407 would need an authentication scheme; none is ever registered.
  return StatusVerdict::Refused;
}

bool sameServer(const HttpUrl& a, const HttpUrl& b) { return a.host == b.host && a.port == b.port; }

}  // namespace

const char* httpFailureText(HttpFailure failure) {
  switch (failure) {
    case HttpFailure::None: return "no failure";
    case HttpFailure::BadUrl: return "the URL is not an http URL with a host";
    case HttpFailure::Connect: return "the server could not be reached";
    case HttpFailure::Send: return "the request could not be sent";
    case HttpFailure::NoAnswer: return "the server sent no answer";
    case HttpFailure::BrokenAnswer: return "the answer broke off";
    case HttpFailure::BadAnswer: return "the answer was malformed or too large";
    case HttpFailure::RefusedStatus: return "the status was refused";
    case HttpFailure::RedirectWithBody: return "a form was redirected";
    case HttpFailure::TooManyRedirects: return "too many redirects";
    case HttpFailure::BadRedirect: return "a redirect named no usable address";
  }
  return "unknown failure";
}

std::string buildRequestHead(const HttpUrl& url, const RequestOptions& options) {
  std::wstring head = options.method + L" " + url.path + url.extra + L" HTTP/1.1\r\n";
  if (!options.body.empty()) head += L"Content-Length: " + std::to_wstring(options.body.size()) + L"\r\n";
  if (options.dataType && !options.dataType->empty()) head += L"Content-Type: " + *options.dataType + L"\r\n";
  if (options.extraHeaders) head += *options.extraHeaders;
  head += L"Host: " + url.host + L"\r\n";
  head += L"User-Agent: Microsoft-ATL-Native/10.00\r\n";
  head += L"\r\n";
  return toAnsi(head);
}

HttpClient::HttpClient(std::unique_ptr<HttpTransport> transport) : transport_(std::move(transport)) {}

HttpClient::~HttpClient() { transport_->close(); }

bool HttpClient::fail(HttpFailure cause) {
  failure_ = cause;
  transport_->close();
  return false;
}

bool HttpClient::navigate(std::wstring_view url, const RequestOptions& options) {
  failure_ = HttpFailure::None;
  const auto parsed = parseHttpUrl(url, options.port);
  if (!parsed) return fail(HttpFailure::BadUrl);
  url_ = *parsed;
  int redirects = 0;
  for (;;) {
    if (const HttpFailure failed = exchange(options); failed != HttpFailure::None) return fail(failed);
    if ((options.flags & kRequestProcessStatus) == 0) return true;
    const StatusVerdict verdict = judgeStatus(status_);
    if (verdict == StatusVerdict::Accepted) return true;
    if (verdict == StatusVerdict::Refused || (options.flags & kRequestAutoRedirect) == 0) {
      // After a followed redirect the caller's check of the status decides.
      return redirects > 0 && verdict == StatusVerdict::Refused ? true : fail(HttpFailure::RefusedStatus);
    }
    // A form is never re-sent to, nor silently dropped for, another address.
    if (!options.body.empty()) return fail(HttpFailure::RedirectWithBody);
    if (++redirects > kMaxRedirects) return fail(HttpFailure::TooManyRedirects);
    const auto location = headers_.find("Location");
    if (!location) return fail(HttpFailure::BadRedirect);
    const auto next = resolveLocation(url_, fromAnsi(*location), options.port);
    if (!next) return fail(HttpFailure::BadRedirect);
    url_ = *next;
  }
}

HttpFailure HttpClient::exchange(const RequestOptions& options) {
  const bool reused = transport_->isConnected() && sameServer(connectedTo_, url_);
  if (!reused && !connect(options)) return HttpFailure::Connect;
  Attempt outcome = attempt(options);
  // A server may close a kept connection at any moment after its last answer;
  // a request it never answered is safe to send again if it carries no form.
  if (outcome == Attempt::Unanswered && reused && options.body.empty()) {
    if (!connect(options)) return HttpFailure::Connect;
    outcome = attempt(options);
  }
  switch (outcome) {
    case Attempt::Answered: return HttpFailure::None;
    case Attempt::Broken: return HttpFailure::BrokenAnswer;
    case Attempt::Bad: return HttpFailure::BadAnswer;
    case Attempt::Unanswered: break;
  }
  return sent_ ? HttpFailure::NoAnswer : HttpFailure::Send;
}

bool HttpClient::connect(const RequestOptions& options) {
  transport_->close();
  if (!transport_->connect(url_.host, url_.port, options.timeoutMs)) return false;
  connectedTo_ = url_;
  return true;
}

HttpClient::Attempt HttpClient::attempt(const RequestOptions& options) {
  status_ = -1;
  body_.clear();
  headers_.clear();
  sent_ = sendRequest(options);
  return sent_ ? readResponse(options) : Attempt::Unanswered;
}

bool HttpClient::sendRequest(const RequestOptions& options) {
  std::string head = buildRequestHead(url_, options);
  if ((options.flags & kRequestSendInBlocks) == 0) {
    // Head and body in one send: each Winsock call costs under Wine.
    head += options.body;
    return transport_->send(head.data(), head.size(), options.timeoutMs);
  }
  if (!transport_->send(head.data(), head.size(), options.timeoutMs)) return false;
  const size_t block = std::max<uint32_t>(options.sendBlockSize, 1);
  for (size_t sent = 0; sent < options.body.size(); sent += block) {
    const size_t size = std::min(block, options.body.size() - sent);
    if (!transport_->send(options.body.data() + sent, size, options.timeoutMs)) return false;
  }
  return true;
}

HttpClient::Attempt HttpClient::readResponse(const RequestOptions& options) {
  HttpResponseReader reader(options.readBlockSize);
  std::vector<char> buffer;
  bool anyByte = false;
  bool ended = false;  // the last receive failed, timed out or found the connection closed
  while (reader.state() == HttpResponseReader::State::Header || reader.state() == HttpResponseReader::State::Body) {
    buffer.resize(reader.receiveSize());
    const int64_t received = transport_->receive(buffer.data(), buffer.size(), options.timeoutMs);
    ended = received <= 0;
    if (received < 0) {
      reader.receiveFailed();
    } else {
      anyByte = anyByte || received > 0;
      reader.feed(std::string_view(buffer.data(), static_cast<size_t>(received)));
    }
  }
  if (reader.state() != HttpResponseReader::State::Complete) {
    if (!anyByte) return Attempt::Unanswered;
    return ended ? Attempt::Broken : Attempt::Bad;
  }
  status_ = reader.status();
  headers_ = reader.headers();
  body_ = reader.takeBody();
  if (!reader.keepsConnection()) transport_->close();
  return Attempt::Answered;
}

}  // namespace kestro
