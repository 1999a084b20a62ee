#include "accel/route_mirror.h"

#include <cstring>

namespace kestro {
namespace {

constexpr uint32_t kNoError = 0;
constexpr uint32_t kInvalidParameter = 87;      // ERROR_INVALID_PARAMETER
constexpr uint32_t kNotFound = 1168;            // ERROR_NOT_FOUND
constexpr uint32_t kAlreadyExists = 5010;       // ERROR_OBJECT_ALREADY_EXISTS

std::string dotted(uint32_t networkOrder) {
  unsigned char bytes[4];
  std::memcpy(bytes, &networkOrder, sizeof bytes);
  return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) + "." +
         std::to_string(bytes[3]);
}

}  // namespace

std::string routeMirrorCommand(bool add, const MirroredRoute& route) {
  return std::string("route ") + (add ? "add " : "delete ") + dotted(route.destination) + " mask " +
         dotted(route.mask) + " via " + dotted(route.nextHop) + " if " + std::to_string(route.interfaceIndex) +
         " metric " + std::to_string(route.metric);
}

uint32_t routeMirrorResult(std::string_view answer) {
  if (answer == "ok") return kNoError;
  if (answer == "error exists") return kAlreadyExists;
  if (answer == "error no such route") return kNotFound;
  return kInvalidParameter;
}

}  // namespace kestro
