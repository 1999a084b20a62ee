// Response headers by name, names compared without regard to case. A header
// that arrives more than once keeps all its values joined by "," in arrival order.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kestro {

struct CaseInsensitiveLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

bool equalsIgnoringCase(std::string_view a, std::string_view b);

class HttpHeaders {
 public:
  void add(std::string_view name, std::string_view value);
  std::optional<std::string> find(std::string_view name) const;
  // True when the header is present and its whole value equals `value`, ignoring case.
  bool is(std::string_view name, std::string_view value) const;
  void clear() { table_.clear(); }
  size_t size() const { return table_.size(); }

 private:
  std::map<std::string, std::string, CaseInsensitiveLess> table_;
};

}  // namespace kestro
