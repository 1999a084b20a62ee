// The relay's file descriptors, each made in the network namespace it belongs
// to: the three TUN devices, the control listener and the routing table.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace kestro::relay {

struct Devices {
  int clientWan = -1;    // "wan0" in the client's namespace
  int internetWan = -1;  // "wan0" in the internet's namespace
  int adapter = -1;      // "vadapter" in the client's namespace
  int control = -1;      // TCP listener on 127.0.0.1 in the client's namespace
  int routes = -1;       // netlink socket to the client namespace's routing table
  uint16_t controlPort = 0;
};

// Namespaces are named by a process that lives in them. The devices are made
// non-blocking and left down, without addresses. False with `error` set when
// something could not be made (everything made so far is closed again).
bool openDevices(pid_t clientProcess, pid_t internetProcess, Devices& out, std::string& error);

}  // namespace kestro::relay
