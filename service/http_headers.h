// Response headers by name, names compared without regard to case. A header
// that arrives more than once keeps all its values joined by "," in arrival order.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestro {

struct CaseInsensitiveLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

bool equalsIgnoringCase(std::string_view a, std::string_view b);

// The comma-separated items of a header value (or of repeated headers joined),
// white space around each dropped: "keep-alive, close" gives two.
std::vector<std::string_view> listItems(std::string_view value);

class HttpHeaders {
 public:
  void add(std::string_view name, std::string_view value);
  std::optional<std::string> find(std::string_view name) const;
  // True when the header is present and its whole value equals `value`, ignoring case.
  bool is(std::string_view name, std::string_view value) const;
  // True when one of the header's list items equals `token`, ignoring case.
  bool hasToken(std::string_view name, std::string_view token) const;
  void clear() { table_.clear(); }
  size_t size() const { return table_.size(); }

 private:
  std::map<std::string, std::string, CaseInsensitiveLess> table_;
};

}  // namespace kestro
