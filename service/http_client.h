// One blocking HTTP/1.1 client: plain "http" only, no proxy, TLS, cookies or
// authentication. A worker makes one on its stack (CAtlHttpClientT in
// http_client_win.h), calls navigate once and reads status and body.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "service/http_headers.h"
#include "service/http_transport.h"
#include "service/http_url.h"
#include "service/request_options.h"

namespace kestro {

// Redirects followed in one chain; the next one fails the request.
inline constexpr int kMaxRedirects = 5;

// Why navigate failed. The service exchange shows all of them as its class A;
// the cause tells tests (and a reader of a benchmark) which failure it was.
enum class HttpFailure {
  None,
  BadUrl,            // not an "http" URL with a host
  Connect,           // resolving or connecting failed or timed out
  Send,              // the request could not be sent
  NoAnswer,          // not one byte of an answer came (closed, reset or timed out)
  BrokenAnswer,      // part of an answer came, then the connection failed, closed or timed out
  BadAnswer,         // the answer is not HTTP the client accepts (malformed, or over a size cap)
  RefusedStatus,     // a status the client does not accept (kRequestProcessStatus)
  RedirectWithBody,  // a redirect of a request that carries a form
  TooManyRedirects,  // more than kMaxRedirects in one chain
  BadRedirect,       // a redirect without a usable Location
};

// A short English description of the cause, for test and benchmark output.
const char* httpFailureText(HttpFailure failure);

// The request line and headers exactly as sent: request line, Content-Length
// (when there is a body), Content-Type (when given), extra headers, Host
// (never with the port), User-Agent, empty line; in the thread's ANSI code page.
std::string buildRequestHead(const HttpUrl& url, const RequestOptions& options);

class HttpClient {
 public:
  explicit HttpClient(std::unique_ptr<HttpTransport> transport);
  virtual ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // True when the request was sent, a whole response was read and (with
  // kRequestProcessStatus) its status was accepted: 200 to 206, 304, 305, or a
  // followed redirect. A redirect of a request that carries a body fails: the
  // form is never sent on to another address, nor silently dropped. A
  // redirect goes on the same connection only while the server keeps it open
  // (HttpResponseReader::keepsConnection). When a kept connection gives no byte
  // of answer to a request without a body (the server closed it in the
  // meantime), the request is sent once more on a new connection. On false
  // the connection is closed.
  bool navigate(std::wstring_view url, const RequestOptions& options);
  // The cause of the last navigate's failure; None after a success.
  HttpFailure failure() const { return failure_; }

  // -1 until a status line was parsed.
  int status() const { return status_; }
  // The body, always followed by a NUL byte.
  const char* body() const { return body_.c_str(); }
  size_t bodyLength() const { return body_.size(); }
  const HttpHeaders& headers() const { return headers_; }
  const HttpUrl& currentUrl() const { return url_; }

 private:
  // How one request on one connection went.
  enum class Attempt {
    Answered,
    Unanswered,  // not a byte came
    Broken,      // part of an answer, then the connection ended
    Bad,         // the reader refused the bytes
  };

  HttpFailure exchange(const RequestOptions& options);
  bool connect(const RequestOptions& options);
  Attempt attempt(const RequestOptions& options);
  bool sendRequest(const RequestOptions& options);
  Attempt readResponse(const RequestOptions& options);
  bool fail(HttpFailure cause);

  std::unique_ptr<HttpTransport> transport_;
  HttpUrl url_;
  HttpUrl connectedTo_;  // host and port of the open connection
  int status_ = -1;
  HttpFailure failure_ = HttpFailure::None;
  bool sent_ = false;  // the last attempt's request was sent whole
  std::string body_;
  HttpHeaders headers_;
};

}  // namespace kestro
