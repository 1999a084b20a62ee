#include "standins/relay/world.h"

#include <algorithm>
#include <charconv>
#include <nlohmann/json.hpp>

namespace kestro::relay {
namespace {

using nlohmann::json;

bool readMilliseconds(const json& object, const char* name, int& value, std::string& error) {
  const auto found = object.find(name);
  if (found == object.end()) return true;
  if (!found->is_number_integer() || found->get<int64_t>() < 0 || found->get<int64_t>() > kMaxMilliseconds) {
    error = std::string("\"") + name + "\" must be a whole number of milliseconds from 0 to " +
            std::to_string(kMaxMilliseconds);
    return false;
  }
  value = static_cast<int>(found->get<int64_t>());
  return true;
}

bool readFigures(const json& object, Figures& figures, std::string& error) {
  if (!readMilliseconds(object, "latencyms", figures.latencyMs, error) ||
      !readMilliseconds(object, "jitterms", figures.jitterMs, error)) {
    return false;
  }
  if (const auto loss = object.find("lossrate"); loss != object.end()) {
    if (!loss->is_number() || loss->get<double>() < 0 || loss->get<double>() > 1) {
      error = "\"lossrate\" must be a number from 0 to 1";
      return false;
    }
    figures.lossRate = loss->get<double>();
  }
  return true;
}

bool readEntry(const json& object, Entry& entry, std::string& error) {
  if (!readFigures(object, entry.figures, error)) return false;
  if (const auto fromNode = object.find("fromnode"); fromNode != object.end()) {
    entry.fromNode.emplace();
    if (!fromNode->is_object()) {
      error = "\"fromnode\" must be an object of figures";
      return false;
    }
    if (!readFigures(*fromNode, *entry.fromNode, error)) {
      error = "fromnode: " + error;
      return false;
    }
  }
  if (const auto dead = object.find("dead"); dead != object.end()) {
    if (!dead->is_boolean()) {
      error = "\"dead\" must be true or false";
      return false;
    }
    entry.dead = dead->get<bool>();
  }
  if (const auto port = object.find("nodeport"); port != object.end()) {
    if (!port->is_number_integer() || port->get<int64_t>() <= 0 || port->get<int64_t>() > 65535) {
      error = "\"nodeport\" must be a port number from 1 to 65535";
      return false;
    }
    entry.tunnelPorts = {static_cast<uint16_t>(port->get<int64_t>())};
  }
  return true;
}

// Hosts ("ip") and nodes ("nodeip"). An address may be listed more than once
// (several nodes on one address) as long as its figures agree.
bool readList(const json& list, const char* what, const char* addressMember, World& out, std::string& error) {
  if (!list.is_array()) {
    error = std::string("\"") + what + "s\" is not an array";
    return false;
  }
  const bool nodes = std::string_view(what) == "node";
  for (const json& item : list) {
    const auto text = item.is_object() ? item.find(addressMember) : item.end();
    const auto address =
        text != item.end() && text->is_string() ? parseAddress(text->get<std::string>()) : std::nullopt;
    if (!address) {
      error = std::string("a ") + what + " has no IPv4 address in \"" + addressMember + "\"";
      return false;
    }
    Entry entry;
    if (nodes) entry.tunnelPorts = {kDefaultNodePort};
    if (!readEntry(item, entry, error)) {
      error = std::string(what) + " " + formatAddress(*address) + ": " + error;
      return false;
    }
    if (!nodes) entry.tunnelPorts.clear();
    auto [known, added] = out.entries.try_emplace(*address, entry);
    if (added) continue;
    if (known->second.figures != entry.figures || known->second.fromNode != entry.fromNode ||
        known->second.dead != entry.dead) {
      error = formatAddress(*address) + " is listed twice with different figures";
      return false;
    }
    for (uint16_t port : entry.tunnelPorts) {
      auto& ports = known->second.tunnelPorts;
      if (std::find(ports.begin(), ports.end(), port) == ports.end()) ports.push_back(port);
    }
  }
  return true;
}

}  // namespace

std::optional<Address> parseAddress(std::string_view text) {
  Address address = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (text.empty() || text.front() != '.') return std::nullopt;
      text.remove_prefix(1);
    }
    unsigned value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    const size_t digits = static_cast<size_t>(end - text.data());
    if (failure != std::errc() || digits == 0 || digits > 3 || value > 255) return std::nullopt;
    address = (address << 8) | value;
    text.remove_prefix(digits);
  }
  if (!text.empty()) return std::nullopt;
  return address;
}

std::string formatAddress(Address address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xff) + "." +
         std::to_string((address >> 8) & 0xff) + "." + std::to_string(address & 0xff);
}

Figures throughNode(const Figures& node, const Entry& host) {
  const Figures& far = host.fromNode.value_or(host.figures);
  return Figures{node.latencyMs + far.latencyMs, node.jitterMs + far.jitterMs,
                 1 - (1 - node.lossRate) * (1 - far.lossRate)};
}

bool parseWorld(std::string_view text, World& out, std::string& error) {
  out = {};
  const json document = json::parse(text, nullptr, false);
  if (document.is_discarded() || !document.is_object()) {
    error = "the world file is not a JSON object";
    return false;
  }
  if (const auto world = document.find("world"); world != document.end()) {
    if (!world->is_object()) {
      error = "\"world\" is not an object";
      return false;
    }
    for (const auto& [name, address] : {std::pair{"gateway", &out.gateway}, std::pair{"adapter", &out.adapter}}) {
      const auto member = world->find(name);
      if (member == world->end()) continue;
      *address = member->is_string() ? parseAddress(member->get<std::string>()) : std::nullopt;
      if (!*address) {
        error = std::string("\"") + name + "\" is not an IPv4 address";
        return false;
      }
    }
    if (const auto hosts = world->find("hosts"); hosts != world->end() && !readList(*hosts, "host", "ip", out, error)) {
      return false;
    }
  }
  if (const auto nodes = document.find("nodes");
      nodes != document.end() && !readList(*nodes, "node", "nodeip", out, error)) {
    return false;
  }
  return true;
}

}  // namespace kestro::relay
