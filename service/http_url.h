// Absolute "http" URLs as the client splits them, and redirect targets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestro {

struct HttpUrl {
  std::wstring host;
  uint16_t port = 80;
  std::wstring path = L"/";  // never empty
  std::wstring extra;        // the query with its "?", or empty

  friend bool operator==(const HttpUrl&, const HttpUrl&) = default;
};

// "http://host[:port][/path][?query]"; `defaultPort` when none is named.
// Nothing for another scheme, an empty host or a port outside 1..65535.
std::optional<HttpUrl> parseHttpUrl(std::wstring_view url, uint16_t defaultPort);

// A Location value against the current URL: an absolute "http" URL replaces it,
// one starting with "/" keeps host and port, anything else is taken relative
// to the current path's folder.
std::optional<HttpUrl> resolveLocation(const HttpUrl& current, std::wstring_view location, uint16_t defaultPort);

}  // namespace kestro
