#include "service/http_headers.h"

#include <algorithm>

namespace kestro {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return lower(x) < lower(y); });
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

void HttpHeaders::add(std::string_view name, std::string_view value) {
  const auto it = table_.find(name);
  if (it == table_.end()) {
    table_.emplace(std::string(name), std::string(value));
  } else {
    it->second.push_back(',');
    it->second.append(value);
  }
}

std::optional<std::string> HttpHeaders::find(std::string_view name) const {
  const auto it = table_.find(name);
  if (it == table_.end()) return std::nullopt;
  return it->second;
}

bool HttpHeaders::is(std::string_view name, std::string_view value) const {
  const auto it = table_.find(name);
  return it != table_.end() && equalsIgnoringCase(it->second, value);
}

}  // namespace kestro
