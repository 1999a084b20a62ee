#include "accel/route_mirror.h"

#include "accel/ipv4_text.h"

namespace kestro {
namespace {

constexpr uint32_t kNoError = 0;
constexpr uint32_t kInvalidParameter = 87;      // ERROR_INVALID_PARAMETER
constexpr uint32_t kNotFound = 1168;            // ERROR_NOT_FOUND
constexpr uint32_t kAlreadyExists = 5010;       // ERROR_OBJECT_ALREADY_EXISTS

// Digits and dots only: each character narrows as it is.
std::string dotted(uint32_t address) {
  std::string text;
  for (wchar_t c : dottedAddressText(address)) text += static_cast<char>(c);
  return text;
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
