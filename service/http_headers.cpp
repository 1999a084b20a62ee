#include "service/http_headers.h"

#include <algorithm>

namespace kestro {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return lower(x) < lower(y); });
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::vector<std::string_view> listItems(std::string_view value) {
  std::vector<std::string_view> items;
  for (;;) {
    const size_t comma = value.find(',');
    std::string_view item = value.substr(0, comma);
    while (!item.empty() && isSpace(item.front())) item.remove_prefix(1);
    while (!item.empty() && isSpace(item.back())) item.remove_suffix(1);
    items.push_back(item);
    if (comma == std::string_view::npos) return items;
    value.remove_prefix(comma + 1);
  }
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

bool HttpHeaders::hasToken(std::string_view name, std::string_view token) const {
  const auto it = table_.find(name);
  if (it == table_.end()) return false;
  const auto items = listItems(it->second);
  return std::any_of(items.begin(), items.end(),
                     [&](std::string_view item) { return equalsIgnoringCase(item, token); });
}

}  // namespace kestro
