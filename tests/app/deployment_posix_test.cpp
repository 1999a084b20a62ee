#include "app/deployment.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kestro {
namespace {

// Development builds take the link monitor's period from the environment only
// when it is a positive whole number of milliseconds.
TEST(Deployment, LinkMonitorPeriodOverride) {
  const struct {
    const char* value;
    uint32_t expected;
  } cases[] = {{nullptr, 300000}, {"2000", 2000}, {"", 300000},         {"0", 300000},
               {"-5", 300000},    {"2s", 300000}, {"9999999999", 300000}, {"123456789", 123456789}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(unset)");
    if (c.value) {
      setenv("KESTRO_LINK_MONITOR_MS", c.value, 1);
    } else {
      unsetenv("KESTRO_LINK_MONITOR_MS");
    }
    EXPECT_EQ(linkMonitorPeriodMs(300000), c.expected);
  }
  unsetenv("KESTRO_LINK_MONITOR_MS");
}

}  // namespace
}  // namespace kestro
