#include "service/service_exchange.h"

#include "app/deployment.h"
#include "base/text_convert.h"

namespace kestro {
namespace {

bool unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

void appendEncoded(std::string& out, std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (unreserved(byte)) {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 0x0F]);
    }
  }
}

}  // namespace

FormField::FormField(std::string fieldName, std::wstring_view text) : name(std::move(fieldName)), value(toUtf8(text)) {}
FormField::FormField(std::string fieldName, std::string_view bytes) : name(std::move(fieldName)), value(bytes) {}
FormField::FormField(std::string fieldName, int number) : name(std::move(fieldName)), value(std::to_string(number)) {}

std::string encodeForm(const std::vector<FormField>& form) {
  std::string out;
  for (const auto& field : form) {
    if (!out.empty()) out.push_back('&');
    appendEncoded(out, field.name);
    out.push_back('=');
    appendEncoded(out, field.value);
  }
  return out;
}

std::wstring endpointUrl(std::wstring_view endpoint) {
  std::wstring url(endpoint);
  if (const size_t at = url.find(L"%s"); at != std::wstring::npos) url.replace(at, 2, serviceBaseUrl());
  return url;
}

ServiceFailure ServiceReply::failure() const {
  if (failure_ == ServiceFailure::None && !json_.valid()) return ServiceFailure::Parse;
  return failure_;
}

void ServiceReply::applyErrorMember() {
  if (failure() != ServiceFailure::None) return;
  std::wstring error = json_.object().text("error");
  if (failure() == ServiceFailure::None && !error.empty()) {
    failure_ = ServiceFailure::Refused;
    refusal_ = std::move(error);
  }
}

std::wstring ServiceReply::message() const {
  const ServiceFailure current = failure();
  return current == ServiceFailure::Refused ? refusal_ : serviceFailureText(current);
}

std::wstring serviceFailureText(ServiceFailure failure) {
  switch (failure) {
    case ServiceFailure::Connect:
      return L"无法连接泓迈中心服务器，请确认您的网络连接正常";
    case ServiceFailure::Status:
      return L"服务器返回信息错误，请重试，如多次重试依然失败，请联系在线客服";
    case ServiceFailure::Parse:
      return L"服务器返回信息解析错误，请重试，如多次重试依然失败，请联系在线客服";
    case ServiceFailure::None:
    case ServiceFailure::Refused:
      break;
  }
  return {};
}

ServiceReply interpretServiceReply(HttpFailure failed, int status, std::string_view body, ReplyShape shape,
                                   size_t maxElements) {
  if (failed != HttpFailure::None) return ServiceReply(failed);
  if (status != 200) return ServiceReply(ServiceFailure::Status, JsonReply());
  JsonReply json = JsonReply::parse(body, shape, maxElements);
  const ServiceFailure failure = json.valid() ? ServiceFailure::None : ServiceFailure::Parse;
  return ServiceReply(failure, std::move(json));
}

}  // namespace kestro
