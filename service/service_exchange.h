// One conversation with the service: build the endpoint URL and the form, run
// one request, accept only status 200, parse the body as JSON of the expected
// shape. Every worker that talks to the service goes through exchangeWithService:
//
//   ServiceReply reply = exchangeWithService(L"%sacc.php", HttpMethod::Post,
//       {{"username", userName}, {"nodeid", nodeId}, {"gameid", gameId}, {"voiceid", voiceId}}, ReplyShape::Object);
//   reply.applyErrorMember();                     // acc.php only: class D
//   if (!reply.ok()) show(reply.message());
//   for (const JsonObjectReader& route : reply.object().objects("routeip")) ...
//   if (!reply.ok()) ...                          // a member that did not convert is class C
//
// Array replies (node.php, game.php, announce.php) are read with size() and element(i).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "service/http_client.h"
#include "service/json_reply.h"

namespace kestro {

// Failure classes of an exchange.
enum class ServiceFailure {
  None,
  Connect,  // A: not completed (resolve, connect, send, receive, refused status)
  Status,   // B: completed, but the status is not 200
  Parse,    // C: the body is not JSON of the expected shape, or a member does not convert
  Refused,  // D: acc.php's "error" member reads as a non-empty text
};

enum class HttpMethod { Get, Post };

// One form field. Values are UTF-8 bytes (wide text is converted); the form is
// encoded as application/x-www-form-urlencoded by encodeForm.
struct FormField {
  FormField(std::string fieldName, std::wstring_view text);
  FormField(std::string fieldName, std::string_view bytes);
  FormField(std::string fieldName, const char* bytes) : FormField(std::move(fieldName), std::string_view(bytes)) {}
  FormField(std::string fieldName, int number);

  std::string name;
  std::string value;
};

// "name=value&..." in order. Unreserved ASCII (letters, digits, "-", ".", "_",
// "~") stays as it is; every other byte becomes %XX (upper-case hex), so "&",
// "=" and non-ASCII text cannot change the form's structure.
std::string encodeForm(const std::vector<FormField>& form);

// `endpoint` is a format whose one "%s" stands for the service base URL, such
// as L"%snode.php" or L"%sgame.php?type=4"; the rest is taken as it is.
std::wstring endpointUrl(std::wstring_view endpoint);

class ServiceReply {
 public:
  ServiceReply() = default;
  ServiceReply(ServiceFailure failure, JsonReply json) : failure_(failure), json_(std::move(json)) {}
  // Class A, with the HTTP client's cause.
  explicit ServiceReply(HttpFailure cause) : failure_(ServiceFailure::Connect), cause_(cause) {}

  // The class of the exchange so far: a member that did not convert after
  // the exchange turns None into Parse.
  ServiceFailure failure() const;
  bool ok() const { return failure() == ServiceFailure::None; }
  // Why the request did not complete (class A); None for the other classes.
  HttpFailure cause() const { return cause_; }

  // For object replies.
  JsonObjectReader object() const { return json_.object(); }
  // For array replies.
  size_t size() const { return json_.size(); }
  JsonObjectReader element(size_t index) const { return json_.element(index); }

  // acc.php's convention: an "error" that reads as non-empty text (a number or
  // boolean reads as one) makes the reply class D with that text as its
  // message; an array or object there is class C.
  void applyErrorMember();

  // What the user is shown for the failure: the fixed texts of A, B and C, or
  // the service's own text for D. Empty for None.
  std::wstring message() const;

 private:
  ServiceFailure failure_ = ServiceFailure::Connect;
  HttpFailure cause_ = HttpFailure::None;
  JsonReply json_;
  std::wstring refusal_;
};

// The fixed texts of classes A, B and C (empty for None and Refused).
std::wstring serviceFailureText(ServiceFailure failure);

// Classes a finished request: a failed request (its cause) is A, a status
// other than 200 is B, a body that does not parse to `shape`, or has an array
// of more than `maxElements`, is C.
ServiceReply interpretServiceReply(HttpFailure failed, int status, std::string_view body, ReplyShape shape,
                                   size_t maxElements = kMaxJsonArrayElements);

// The whole exchange (Windows: runs the Winsock HTTP client). GET sends no body;
// POST sends encodeForm(form) as application/x-www-form-urlencoded.
ServiceReply exchangeWithService(std::wstring_view endpoint, HttpMethod method, const std::vector<FormField>& form,
                                 ReplyShape shape, size_t maxElements = kMaxJsonArrayElements);

}  // namespace kestro
