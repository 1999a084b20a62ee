#include "service/http_url.h"

namespace kestro {
namespace {

bool startsWithHttp(std::wstring_view url) {
  constexpr std::wstring_view scheme = L"http://";
  if (url.size() < scheme.size()) return false;
  for (size_t i = 0; i < scheme.size(); ++i) {
    wchar_t c = url[i];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != scheme[i]) return false;
  }
  return true;
}

}  // namespace

std::optional<HttpUrl> parseHttpUrl(std::wstring_view url, uint16_t defaultPort) {
  if (!startsWithHttp(url)) return std::nullopt;
  url.remove_prefix(7);
  const size_t authorityEnd = url.find_first_of(L"/?#");
  const std::wstring_view authority = url.substr(0, authorityEnd);
  std::wstring_view rest = authorityEnd == std::wstring_view::npos ? std::wstring_view() : url.substr(authorityEnd);
  rest = rest.substr(0, rest.find(L'#'));

  HttpUrl out;
  out.port = defaultPort;
  const size_t colon = authority.rfind(L':');
  out.host = std::wstring(authority.substr(0, colon));
  if (colon != std::wstring_view::npos) {
    const std::wstring_view digits = authority.substr(colon + 1);
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    uint32_t port = 0;
    for (wchar_t c : digits) {
      if (c < L'0' || c > L'9') return std::nullopt;
      port = port * 10 + static_cast<uint32_t>(c - L'0');
    }
    if (port == 0 || port > 65535) return std::nullopt;
    out.port = static_cast<uint16_t>(port);
  }
  if (out.host.empty()) return std::nullopt;

  const size_t query = rest.find(L'?');
  out.path = std::wstring(rest.substr(0, query));
  if (out.path.empty()) out.path = L"/";
  if (query != std::wstring_view::npos) out.extra = std::wstring(rest.substr(query));
  return out;
}

std::optional<HttpUrl> resolveLocation(const HttpUrl& current, std::wstring_view location, uint16_t defaultPort) {
  while (!location.empty() && (location.back() == L' ' || location.back() == L'\t')) location.remove_suffix(1);
  if (location.empty()) return std::nullopt;
  if (startsWithHttp(location)) return parseHttpUrl(location, defaultPort);
  if (location.find(L"://") != std::wstring_view::npos) return std::nullopt;  // another scheme
  location = location.substr(0, location.find(L'#'));
  HttpUrl next = current;
  const size_t query = location.find(L'?');
  const std::wstring_view path = location.substr(0, query);
  next.extra = query == std::wstring_view::npos ? std::wstring() : std::wstring(location.substr(query));
  if (!path.empty() && path.front() == L'/') {
    next.path = std::wstring(path);
  } else if (!path.empty()) {
    next.path = current.path.substr(0, current.path.rfind(L'/') + 1) + std::wstring(path);
  }
  return next;
}

}  // namespace kestro
