#include "standins/reference_node/node_data.h"

#include <nlohmann/json.hpp>

namespace kestro::refnode {
namespace {

using nlohmann::json;

std::string textMember(const json& object, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const auto found = object.find(name);
    if (found != object.end() && found->is_string()) return found->get<std::string>();
  }
  return {};
}

// Loopback, or the documentation networks that exist only inside the test world.
bool isOwnAddress(const std::string& address) {
  for (const char* prefix : {"127.", "192.0.2.", "198.51.100.", "203.0.113."}) {
    if (address.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

bool readPort(const json& object, const char* name, uint16_t& port, std::string& error) {
  const auto found = object.find(name);
  if (found == object.end() || !found->is_number_integer()) return true;
  const int64_t value = found->get<int64_t>();
  if (value <= 0 || value > 65535) {
    error = std::string(name) + " out of range: " + std::to_string(value);
    return false;
  }
  port = static_cast<uint16_t>(value);
  return true;
}

bool readGameServers(const json& document, NodeData& out, std::string& error) {
  const auto world = document.find("world");
  if (world == document.end() || !world->is_object()) return true;
  const auto hosts = world->find("hosts");
  if (hosts == world->end() || !hosts->is_array()) return true;
  for (const json& host : *hosts) {
    if (!host.is_object() || !host.contains("echoport")) continue;
    NodeEndpoint server{textMember(host, {"ip"}), 0};
    if (!readPort(host, "echoport", server.port, error)) return false;
    if (server.port == 0 || !isOwnAddress(server.address)) {
      error = "a game server needs a test-world address and a whole \"echoport\": \"" + server.address + "\"";
      return false;
    }
    out.gameServers.push_back(server);
  }
  return true;
}

}  // namespace

bool parseNodeData(std::string_view text, NodeData& out, std::string& error) {
  out = {};
  const json document = json::parse(text, nullptr, false);
  if (document.is_discarded() || !document.is_object()) {
    error = "the data file is not a JSON object";
    return false;
  }
  if (const auto accounts = document.find("accounts"); accounts != document.end()) {
    for (const auto& [key, account] : accounts->items()) {
      if (!account.is_object()) continue;
      std::string name = textMember(account, {"username", "name"});
      if (name.empty() && accounts->is_object()) name = key;
      if (!name.empty()) out.passwords[name] = textMember(account, {"password"});
    }
  }
  const auto nodes = document.find("nodes");
  if (nodes == document.end() || !nodes->is_array()) {
    error = "the data file has no \"nodes\" array";
    return false;
  }
  for (const json& node : *nodes) {
    if (!node.is_object()) continue;
    NodeEndpoint endpoint;
    endpoint.address = textMember(node, {"nodeip", "ip"});
    if (!readPort(node, "nodeport", endpoint.port, error)) return false;
    if (!isOwnAddress(endpoint.address)) {
      error = "node address is neither loopback nor a test-world address: \"" + endpoint.address + "\"";
      return false;
    }
    bool known = false;
    for (const NodeEndpoint& seen : out.endpoints) {
      known = known || (seen.address == endpoint.address && seen.port == endpoint.port);
    }
    if (!known) out.endpoints.push_back(endpoint);
  }
  return readGameServers(document, out, error);
}

}  // namespace kestro::refnode
