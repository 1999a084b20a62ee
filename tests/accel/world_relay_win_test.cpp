// The relay's questions on a kept connection: a tunnel asks for its counters
// every second for hours.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "accel/world_relay_win.h"
#include "tests/support/scripted_server_win.h"

namespace kestro {
namespace {

TEST(WorldRelayConnection, AsksOnOneConnectionAndMakesANewOneWhenTheRelayClosedIt) {
  // The first connection answers twice and is closed; the second answers.
  test::ScriptedServer relay({{test::sendBytes("ok first\n"), test::pause(300), test::sendBytes("ok second\n"),
                               test::pause(1000), test::closeNow()},
                              {test::sendBytes("ok third\r\n"), test::pause(500)}});
  const char* before = std::getenv("KESTRO_WORLD_RELAY");
  const std::string kept = before != nullptr ? before : "";
  _putenv_s("KESTRO_WORLD_RELAY", ("127.0.0.1:" + std::to_string(relay.port())).c_str());
  {
    WorldRelayConnection connection;
    EXPECT_EQ(connection.ask("traffic"), "ok first");
    EXPECT_EQ(connection.ask("traffic"), "ok second");
    EXPECT_EQ(relay.connections(), 1);
    Sleep(1500);  // closed by now
    EXPECT_EQ(connection.ask("traffic"), "ok third");
    EXPECT_EQ(relay.connections(), 2);
  }
  _putenv_s("KESTRO_WORLD_RELAY", "127.0.0.1:1");  // nothing listens there: no answer, quickly
  EXPECT_EQ(askWorldRelay("traffic"), std::nullopt);
  _putenv_s("KESTRO_WORLD_RELAY", "");
  EXPECT_EQ(WorldRelayConnection().ask("traffic"), std::nullopt);
  _putenv_s("KESTRO_WORLD_RELAY", kept.c_str());
}

}  // namespace
}  // namespace kestro
