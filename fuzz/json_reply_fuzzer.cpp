// Raw bytes as a service reply body: parsed as both shapes and read the way the
// workers read them, members of every type and nested arrays of objects.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "service/json_reply.h"
#include "service/service_exchange.h"

namespace {

void readAll(const kestro::JsonObjectReader& object, int depth) {
  for (const char* name : {"id", "error", "authed", "nodeload", "routeip", "nodeip", "servertime"}) {
    object.integer(name);
    object.boolean(name);
    object.floating(name);
    object.text(name);
    if (depth < 3)
      for (const auto& inner : object.objects(name)) readAll(inner, depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  for (const auto shape : {kestro::ReplyShape::Object, kestro::ReplyShape::Array}) {
    kestro::ServiceReply reply = kestro::interpretServiceReply(kestro::HttpFailure::None, 200, body, shape);
    readAll(reply.object(), 0);
    for (size_t i = 0; i < reply.size() && i < 64; ++i) readAll(reply.element(i), 0);
    reply.applyErrorMember();
    reply.message();
  }
  return 0;
}
