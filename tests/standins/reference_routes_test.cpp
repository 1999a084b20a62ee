// The reference data's routes are rows a routing table takes: in the test
// world the relay applies them to the client namespace's table, which refuses
// a destination with bits outside its prefix, as Windows does.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>

#include "standins/relay/world.h"

namespace kestro::relay {
namespace {

TEST(ReferenceRoutes, EveryDestinationHasNoBitsOutsideItsPrefix) {
  for (const char* file : {"world.json", "data.json"}) {
    SCOPED_TRACE(file);
    std::ifstream in(std::string(KESTRO_SOURCE_DIR) + "/standins/reference_service/" + file);
    const nlohmann::json data = nlohmann::json::parse(in, nullptr, false);
    ASSERT_FALSE(data.is_discarded());
    size_t routes = 0;
    for (const char* list : {"games", "voices"}) {
      for (const auto& owner : data[list]) {
        for (const auto& route : owner["routes"]) {
          const auto address = parseAddress(route["ipaddr"].get<std::string>());
          const int prefix = route["ipmask"].get<int>();
          ASSERT_TRUE(address) << route;
          ASSERT_TRUE(prefix >= 8 && prefix <= 32) << route;
          const Address mask = ~Address(0) << (32 - prefix);
          EXPECT_EQ(*address & ~mask, 0u) << list << " " << owner["id"] << ": " << route;
          ++routes;
        }
      }
    }
    EXPECT_GT(routes, 600u);
  }
}

}  // namespace
}  // namespace kestro::relay
