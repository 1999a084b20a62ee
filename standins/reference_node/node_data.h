// What the reference node takes from the reference service's data file: the
// accounts it lets in and the node addresses it listens on.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kestro::refnode {

inline constexpr uint16_t kDefaultNodePort = 7000;

struct NodeEndpoint {
  std::string address;  // dotted IPv4 on loopback or in the test world
  uint16_t port = kDefaultNodePort;
};

struct NodeData {
  std::map<std::string, std::string> passwords;  // user name -> password (UTF-8)
  std::vector<NodeEndpoint> endpoints;           // distinct address and port pairs
  std::vector<NodeEndpoint> gameServers;         // echo services, TCP and UDP on one port
};

// Reads "accounts" (an array of objects, or an object keyed by user name) with
// "username" and "password", "nodes" with "nodeip" and "nodeport" (7000 when
// absent), and the game servers of the test world: the hosts of "world" that
// give an "echoport". Other members are ignored. False with `error` set when
// the text is not such a document or an address lies outside 127.0.0.0/8 and
// the test world's documentation networks.
bool parseNodeData(std::string_view text, NodeData& out, std::string& error);

}  // namespace kestro::refnode
