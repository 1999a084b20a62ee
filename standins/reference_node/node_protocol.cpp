#include "standins/reference_node/node_protocol.h"

namespace kestro::refnode {

std::optional<Credentials> parseHandshake(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  constexpr std::string_view kPrefix = "AUTH\t";
  if (line.size() > kMaxHandshakeLine || line.substr(0, kPrefix.size()) != kPrefix) return std::nullopt;
  line.remove_prefix(kPrefix.size());
  const size_t tab = line.find('\t');
  if (tab == std::string_view::npos || tab == 0) return std::nullopt;
  return Credentials{std::string(line.substr(0, tab)), std::string(line.substr(tab + 1))};
}

std::string answerHandshake(std::string_view line, const NodeData& data) {
  const auto credentials = parseHandshake(line);
  if (!credentials) return "DENIED\n";
  const auto account = data.passwords.find(credentials->userName);
  if (account == data.passwords.end() || account->second != credentials->password) return "DENIED\n";
  return "OK\n";
}

}  // namespace kestro::refnode
