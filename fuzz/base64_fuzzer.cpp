// The stored password is read back from the registry, where anything may stand.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string decoded = kestro::base64Decode(input);
  // Whatever decodes must encode and decode back to itself.
  if (kestro::base64Decode(kestro::base64Encode(decoded)) != decoded) __builtin_trap();
  return 0;
}
