#include "standins/relay/relay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "standins/relay/packet.h"

namespace kestro::relay {
namespace {

using std::chrono::milliseconds;

constexpr char kWorld[] = R"({
  "world": {"gateway": "203.0.113.249", "adapter": "203.0.113.250",
            "hosts": [{"ip": "192.0.2.53", "latencyms": 32}, {"ip": "192.0.2.54", "latencyms": 10, "jitterms": 20},
                      {"ip": "192.0.2.55", "lossrate": 0.25}, {"ip": "192.0.2.56", "dead": true},
                      {"ip": "192.0.2.57", "latencyms": 160, "lossrate": 0.5, "fromnode": {"latencyms": 20}}]},
  "nodes": [{"nodeip": "198.51.100.11", "nodeport": 18501, "latencyms": 23},
            {"nodeip": "198.51.100.12", "latencyms": 45, "lossrate": 0.5}]
})";
constexpr char kClient[] = "192.0.2.100";
constexpr char kAdapter[] = "203.0.113.250";
constexpr char kGateway[] = "203.0.113.249";

Address at(const char* text) { return *parseAddress(text); }

Bytes ipv4(const char* source, const char* destination, uint8_t protocol, Bytes payload) {
  Bytes packet(20);
  packet[0] = 0x45;
  packet[2] = static_cast<uint8_t>((20 + payload.size()) >> 8);
  packet[3] = static_cast<uint8_t>(20 + payload.size());
  packet[4] = 0x04;
  packet[5] = 0xd2;
  packet[8] = 128;
  packet[9] = protocol;
  for (int i = 0; i < 4; ++i) {
    packet[12 + i] = static_cast<uint8_t>(at(source) >> (24 - 8 * i));
    packet[16 + i] = static_cast<uint8_t>(at(destination) >> (24 - 8 * i));
  }
  packet.insert(packet.end(), payload.begin(), payload.end());
  return packet;
}

// A packet between the client and `remote`, in the direction of one read from `from`.
Bytes between(Port from, const char* remote, Bytes payload = {}) {
  return from == Port::ClientWan ? ipv4(kClient, remote, 17, payload) : ipv4(remote, kClient, 17, payload);
}

Bytes tcp(const char* source, uint16_t sourcePort, const char* destination, uint16_t destinationPort, uint8_t flags) {
  Bytes segment(20);
  segment[0] = static_cast<uint8_t>(sourcePort >> 8);
  segment[1] = static_cast<uint8_t>(sourcePort);
  segment[2] = static_cast<uint8_t>(destinationPort >> 8);
  segment[3] = static_cast<uint8_t>(destinationPort);
  segment[12] = 0x50;
  segment[13] = flags;
  return ipv4(source, destination, kProtocolTcp, segment);
}

Bytes tcp(const char* source, const char* destination, uint16_t port, uint8_t flags) {
  return tcp(source, 50000, destination, port, flags);
}

Bytes echoRequest(const char* destination, Bytes payload = {'a', 'b', 'c'}) {
  Bytes icmp = {8, 0, 0, 0, 0x12, 0x34, 0x00, 0x07};
  icmp.insert(icmp.end(), payload.begin(), payload.end());
  return ipv4(kAdapter, destination, kProtocolIcmp, icmp);
}

struct Delivery {
  Port to;
  Time due;
  Bytes packet;
};

class RelayTest : public testing::Test {
 protected:
  RelayTest() : relay_(world(), 7) {}
  static World world() {
    World parsed;
    std::string error;
    EXPECT_TRUE(parseWorld(kWorld, parsed, error)) << error;
    return parsed;
  }
  // Everything on the wire, each at its due time.
  std::vector<Delivery> drain() {
    std::vector<Delivery> out;
    while (const auto due = relay_.nextDue()) {
      relay_.sendDue(*due, [&](Port to, std::span<const uint8_t> packet) {
        out.push_back({to, *due, Bytes(packet.begin(), packet.end())});
        return true;
      });
    }
    return out;
  }
  void openTunnel(const char* node, uint16_t port) {
    relay_.receive(Port::ClientWan, tcp(kClient, node, port, kTcpSyn), Time(0));
    drain();
  }
  // One echo request to the gateway, a second after the last one.
  std::optional<Time> echoDelay() {
    sent_ += std::chrono::seconds(1);
    relay_.receive(Port::Adapter, echoRequest(kGateway), sent_);
    const auto out = drain();
    if (out.empty()) return std::nullopt;
    EXPECT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].to, Port::Adapter);
    return out[0].due - sent_;
  }
  Relay relay_;
  Time sent_{0};
};

TEST_F(RelayTest, PacketCrossesAfterHalfTheRoundTrip) {
  const struct {
    Port from;
    Port to;
    Bytes packet;
  } cases[] = {
      {Port::ClientWan, Port::InternetWan, ipv4(kClient, "192.0.2.53", 17, {1, 2, 3})},
      {Port::InternetWan, Port::ClientWan, ipv4("192.0.2.53", kClient, 17, {4, 5})},
  };
  for (const auto& c : cases) {
    relay_.receive(c.from, c.packet, milliseconds(100));
    EXPECT_EQ(relay_.nextDue(), milliseconds(116));
    relay_.sendDue(milliseconds(116) - Time(1), [](Port, std::span<const uint8_t>) { return true; });
    const auto out = drain();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].to, c.to);
    EXPECT_EQ(out[0].due, milliseconds(116));
    EXPECT_EQ(out[0].packet, c.packet);
  }
  EXPECT_EQ(relay_.answer("count"), "ok forwarded 2 dropped 0 echoes 0 carried 0");
}

TEST_F(RelayTest, JitterStaysWithinHalfEitherWay) {
  // 192.0.2.54: 5 ms each way, +-10 ms of jitter, never below 0.
  Time shortest = milliseconds(100), longest = Time(0);
  for (int i = 0; i < 200; ++i) {
    const Port from = i % 2 ? Port::ClientWan : Port::InternetWan;
    relay_.receive(from, between(from, "192.0.2.54"), milliseconds(100 * i));
    const auto out = drain();
    ASSERT_EQ(out.size(), 1u);
    shortest = std::min(shortest, out[0].due - milliseconds(100 * i));
    longest = std::max(longest, out[0].due - milliseconds(100 * i));
  }
  EXPECT_EQ(shortest, Time(0));
  EXPECT_LE(longest, milliseconds(15));
  EXPECT_GT(longest, milliseconds(13));
}

TEST_F(RelayTest, JitterKeepsEachAddressInOrder) {
  for (Port from : {Port::ClientWan, Port::InternetWan}) {
    for (uint8_t i = 0; i < 200; ++i) {
      relay_.receive(from, between(from, "192.0.2.54", {i}), Time(i * 100));
    }
    relay_.receive(Port::InternetWan, ipv4("192.0.2.53", kClient, 17, {0xff}), Time(0));  // 16 ms, not held back
    const auto out = drain();
    ASSERT_EQ(out.size(), 201u);
    std::vector<uint8_t> order;
    for (const Delivery& delivery : out) {
      if (delivery.packet.back() != 0xff) order.push_back(delivery.packet.back());
    }
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    EXPECT_EQ(order.size(), 200u);
    EXPECT_NE(out.back().packet.back(), 0xff);
  }
}

TEST_F(RelayTest, LossOnlyTowardTheInternetAndReproducible) {
  const auto lostOf = [](uint64_t seed, Port from) {
    Relay relay(world(), seed);
    for (int i = 0; i < 4000; ++i) {
      relay.receive(from, between(from, "192.0.2.55"), Time(i));
    }
    return relay.counters().dropped;
  };
  const uint64_t lost = lostOf(7, Port::ClientWan);
  EXPECT_NEAR(static_cast<double>(lost), 1000, 100);
  EXPECT_EQ(lostOf(7, Port::ClientWan), lost);
  EXPECT_NE(lostOf(8, Port::ClientWan), lost);
  EXPECT_EQ(lostOf(7, Port::InternetWan), 0u);
}

TEST_F(RelayTest, UnknownDeadAndNonIpv4AreDroppedBothWays) {
  Bytes ipv6 = ipv4(kClient, "192.0.2.53", 17, {});
  ipv6[0] = 0x60;
  Bytes truncated = ipv4(kClient, "192.0.2.53", 17, {1, 2, 3});
  truncated.pop_back();
  const struct {
    Port from;
    Bytes packet;
  } dropped[] = {
      {Port::ClientWan, ipv4(kClient, "192.0.2.99", 17, {})},
      {Port::InternetWan, ipv4("192.0.2.99", kClient, 17, {})},
      {Port::ClientWan, ipv4(kClient, "192.0.2.56", 17, {})},
      {Port::InternetWan, ipv4("192.0.2.56", kClient, 17, {})},
      {Port::ClientWan, ipv6},
      {Port::ClientWan, truncated},
      {Port::ClientWan, Bytes(10, 0x45)},
      {Port::Adapter, ipv4(kAdapter, "192.0.2.53", 17, {})},
  };
  for (const auto& c : dropped) relay_.receive(c.from, c.packet, Time(0));
  EXPECT_TRUE(drain().empty());
  EXPECT_EQ(relay_.answer("count"), "ok forwarded 0 dropped 8 echoes 0 carried 0");

  EXPECT_EQ(relay_.answer("kill 192.0.2.53"), "ok");
  relay_.receive(Port::InternetWan, ipv4("192.0.2.53", kClient, 17, {}), Time(0));
  EXPECT_TRUE(drain().empty());
  EXPECT_EQ(relay_.answer("revive 192.0.2.56"), "ok");
  relay_.receive(Port::ClientWan, ipv4(kClient, "192.0.2.56", 17, {}), Time(0));
  EXPECT_EQ(drain().size(), 1u);
  EXPECT_EQ(relay_.answer("count"), "ok forwarded 1 dropped 9 echoes 0 carried 0");
}

TEST_F(RelayTest, OnlyASynToTheNodesPortOpensTheTunnel) {
  const struct {
    Bytes packet;
    Port from;
  } others[] = {
      {tcp(kClient, "198.51.100.11", 18502, 0x02), Port::ClientWan},  // another port
      {tcp(kClient, "198.51.100.11", 18501, 0x12), Port::ClientWan},  // SYN and ACK
      {tcp(kClient, "198.51.100.11", 18501, 0x10), Port::ClientWan},  // ACK
      {ipv4(kClient, "198.51.100.11", 17, {0xc3, 0x50, 0x48, 0x45, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0x02}), Port::ClientWan},
      {tcp("198.51.100.11", kClient, 18501, 0x02), Port::InternetWan},  // from the node
      {tcp(kClient, "192.0.2.53", 18501, 0x02), Port::ClientWan},       // a host, not a node
  };
  for (const auto& c : others) relay_.receive(c.from, c.packet, Time(0));
  EXPECT_EQ(relay_.answer("show tunnel"), "ok none");
  EXPECT_EQ(relay_.answer("cut"), "error no tunnel");

  openTunnel("198.51.100.12", kDefaultNodePort);
  EXPECT_EQ(relay_.answer("show tunnel"), "ok 198.51.100.12");
  openTunnel("198.51.100.11", 18501);
  EXPECT_EQ(relay_.answer("show tunnel"), "ok 198.51.100.11");
}

TEST_F(RelayTest, GatewayEchoReplyBytes) {
  openTunnel("198.51.100.11", 18501);
  relay_.receive(Port::Adapter, echoRequest(kGateway), milliseconds(1));
  const auto out = drain();
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].to, Port::Adapter);
  EXPECT_EQ(out[0].due, milliseconds(24));
  const Bytes expected = {0x45, 0x00, 0x00, 0x1f, 0x04, 0xd2, 0x00, 0x00, 0x40, 0x01, 0xfc,
                          0x17, 0xcb, 0x00, 0x71, 0xf9, 0xcb, 0x00, 0x71, 0xfa, 0x00, 0x00,
                          0x29, 0x62, 0x12, 0x34, 0x00, 0x07, 0x61, 0x62, 0x63};
  EXPECT_EQ(out[0].packet, expected);
  EXPECT_EQ(relay_.answer("count"), "ok forwarded 1 dropped 0 echoes 1 carried 0");

  const Bytes longer = *echoReplyFrom(echoRequest(kGateway, Bytes(1400, 0xa5)), at(kGateway));
  EXPECT_EQ(internetChecksum(std::span(longer).first(20)), 0);
  EXPECT_EQ(internetChecksum(std::span(longer).subspan(20)), 0);
  EXPECT_EQ(longer.size(), 20u + 8 + 1400);

  Bytes reply = echoRequest(kGateway);
  reply[20] = 0;
  EXPECT_FALSE(echoReplyFrom(reply, at(kGateway)));
  EXPECT_FALSE(echoReplyFrom(echoRequest("203.0.113.251"), at(kGateway)));
  EXPECT_FALSE(echoReplyFrom(ipv4(kAdapter, kGateway, kProtocolIcmp, {8, 0, 0}), at(kGateway)));
}

TEST_F(RelayTest, GatewayAnswersOnlyForALiveTunnelWithItsFigures) {
  EXPECT_EQ(echoDelay(), std::nullopt);
  EXPECT_EQ(relay_.answer("gateway latency 5"), "ok");
  EXPECT_EQ(echoDelay(), std::nullopt);  // no tunnel yet
  openTunnel("198.51.100.11", 18501);
  EXPECT_EQ(echoDelay(), milliseconds(5));
  EXPECT_EQ(relay_.answer("gateway follow"), "ok");
  EXPECT_EQ(echoDelay(), milliseconds(23));
  EXPECT_EQ(relay_.answer("set 198.51.100.11 latency 40"), "ok");
  EXPECT_EQ(echoDelay(), milliseconds(40));
  EXPECT_EQ(relay_.answer("gateway loss 1"), "ok");
  EXPECT_EQ(echoDelay(), std::nullopt);
  EXPECT_EQ(relay_.answer("set 198.51.100.11 jitter 30 loss 1"), "ok");
  EXPECT_EQ(relay_.answer("gateway latency 7"), "ok");  // none of the node's figures
  EXPECT_EQ(echoDelay(), milliseconds(7));
  EXPECT_EQ(relay_.answer("set 198.51.100.11 jitter 0 loss 0"), "ok");
  EXPECT_EQ(relay_.answer("gateway follow"), "ok");
  EXPECT_EQ(relay_.answer("cut"), "ok");
  EXPECT_EQ(relay_.answer("show 198.51.100.11"), "ok latency 40 jitter 0 loss 0 dead 1");
  EXPECT_EQ(echoDelay(), std::nullopt);
  EXPECT_EQ(relay_.answer("revive 198.51.100.11"), "ok");
  EXPECT_EQ(echoDelay(), milliseconds(40));
  EXPECT_EQ(relay_.answer("count"), "ok forwarded 1 dropped 4 echoes 5 carried 0");
}

// 192.0.2.57 is 160 ms away directly and 20 ms from the nodes; node
// 198.51.100.11 is 23 ms away: through the tunnel 43 ms, 21.5 each way.
TEST_F(RelayTest, TheTunnelCarriesTheAdaptersPacketsThroughItsNodeWhileItsConnectionIsOpen) {
  const Bytes out = ipv4(kAdapter, "192.0.2.57", 17, {1, 2, 3});
  const Bytes back = ipv4("192.0.2.57", kAdapter, 17, {4, 5, 6, 7});
  relay_.receive(Port::Adapter, out, Time(0));
  relay_.receive(Port::InternetWan, back, Time(0));
  EXPECT_TRUE(drain().empty()) << "no tunnel yet";

  openTunnel("198.51.100.11", 18501);
  EXPECT_EQ(relay_.answer("traffic"), "ok up sent 0 received 0");
  relay_.receive(Port::Adapter, out, milliseconds(1000));
  relay_.receive(Port::InternetWan, back, milliseconds(1000));
  relay_.receive(Port::InternetWan, ipv4("192.0.2.57", kClient, 17, {9}), milliseconds(1000));
  std::vector<Delivery> carried = drain();
  ASSERT_EQ(carried.size(), 3u);
  std::sort(carried.begin(), carried.end(), [](const auto& a, const auto& b) { return a.due < b.due; });
  EXPECT_EQ(carried[0].to, Port::InternetWan);
  EXPECT_EQ(carried[0].packet, out);
  EXPECT_EQ(carried[0].due, milliseconds(1021) + std::chrono::microseconds(500));
  EXPECT_EQ(carried[1].to, Port::Adapter);
  EXPECT_EQ(carried[1].packet, back);
  EXPECT_EQ(carried[1].due, carried[0].due);
  EXPECT_EQ(carried[2].to, Port::ClientWan);
  EXPECT_EQ(carried[2].due, milliseconds(1080));
  EXPECT_EQ(relay_.answer("traffic"), "ok up sent 23 received 24");
  EXPECT_EQ(relay_.answer("traffic 192.0.2.57"), "ok direct sent 0 received 21 tunnel sent 23 received 24");

  // The gateway's echo crosses the tunnel both ways.
  relay_.receive(Port::Adapter, echoRequest(kGateway), milliseconds(2000));
  drain();
  EXPECT_EQ(relay_.answer("traffic"), "ok up sent 54 received 55");

  // The node ends the connection: the tunnel carries nothing more.
  relay_.receive(Port::InternetWan, tcp("198.51.100.11", 18501, kClient, 50000, kTcpFin | kTcpAck), milliseconds(3000));
  drain();
  EXPECT_EQ(relay_.answer("traffic"), "ok down sent 54 received 55");
  relay_.receive(Port::Adapter, out, milliseconds(4000));
  relay_.receive(Port::InternetWan, back, milliseconds(4000));
  EXPECT_TRUE(drain().empty());

  // A new connection opens it again, its counts from zero; the client's reset ends it.
  relay_.receive(Port::ClientWan, tcp(kClient, 50001, "198.51.100.11", 18501, kTcpSyn), milliseconds(5000));
  drain();
  EXPECT_EQ(relay_.answer("traffic"), "ok up sent 0 received 0");
  relay_.receive(Port::ClientWan, tcp(kClient, 50000, "198.51.100.11", 18501, kTcpRst), milliseconds(5000));
  drain();
  EXPECT_EQ(relay_.answer("traffic"), "ok up sent 0 received 0") << "a reset of another connection";
  relay_.receive(Port::ClientWan, tcp(kClient, 50001, "198.51.100.11", 18501, kTcpRst), milliseconds(5000));
  drain();
  EXPECT_EQ(relay_.answer("traffic"), "ok down sent 0 received 0");
}

// A connection the client made directly, whose route then goes into the
// adapter: its packets keep the client's address, and the node's address
// translation brings the replies back through the tunnel too, until the
// client's packets go directly again.
TEST_F(RelayTest, AConnectionRoutedIntoTheAdapterLaterTakesTheTunnelBothWays) {
  openTunnel("198.51.100.11", 18501);
  const Bytes out = ipv4(kClient, "192.0.2.57", 17, {1});
  const Bytes back = ipv4("192.0.2.57", kClient, 17, {2});
  relay_.receive(Port::InternetWan, back, milliseconds(1000));
  std::vector<Delivery> direct = drain();
  ASSERT_EQ(direct.size(), 1u);
  EXPECT_EQ(direct[0].to, Port::ClientWan) << "before the route, replies come directly";

  relay_.receive(Port::Adapter, out, milliseconds(2000));
  relay_.receive(Port::InternetWan, back, milliseconds(2000));
  std::vector<Delivery> carried = drain();
  ASSERT_EQ(carried.size(), 2u);
  std::sort(carried.begin(), carried.end(), [](const auto& a, const auto& b) { return a.to < b.to; });
  EXPECT_EQ(carried[0].to, Port::InternetWan);
  EXPECT_EQ(carried[0].packet, out);
  EXPECT_EQ(carried[1].to, Port::Adapter);
  EXPECT_EQ(carried[1].packet, back);
  EXPECT_EQ(carried[1].due, milliseconds(2021) + std::chrono::microseconds(500)) << "half of 23 + 20 ms";

  relay_.receive(Port::ClientWan, out, milliseconds(3000));
  relay_.receive(Port::InternetWan, back, milliseconds(3000));
  for (const Delivery& delivery : drain()) {
    EXPECT_NE(delivery.to, Port::Adapter) << "the route is gone: both ways go directly again";
  }
}

TEST_F(RelayTest, TheTunnelLosesWhatItsNodeOrTheHostFromTheNodeLoses) {
  // Node 198.51.100.12 loses half; from it, 192.0.2.53 loses nothing: half
  // of what goes out is lost, nothing that comes back.
  openTunnel("198.51.100.12", kDefaultNodePort);
  for (int i = 0; i < 2000; ++i) {
    relay_.receive(Port::Adapter, ipv4(kAdapter, "192.0.2.53", 17, {}), Time(i));
    relay_.receive(Port::InternetWan, ipv4("192.0.2.53", kAdapter, 17, {}), Time(i));
  }
  size_t out = 0, back = 0;
  for (const Delivery& delivery : drain()) (delivery.to == Port::InternetWan ? out : back) += 1;
  EXPECT_NEAR(static_cast<double>(out), 1000, 100);
  EXPECT_EQ(back, 2000u);

  EXPECT_EQ(relay_.answer("kill 198.51.100.12"), "ok");
  relay_.receive(Port::Adapter, ipv4(kAdapter, "192.0.2.53", 17, {}), Time(0));
  EXPECT_TRUE(drain().empty()) << "a dead node carries nothing";
  EXPECT_EQ(relay_.answer("revive 198.51.100.12"), "ok");
  for (const char* unreachable : {"192.0.2.56", "192.0.2.99"}) {
    relay_.receive(Port::Adapter, ipv4(kAdapter, unreachable, 17, {}), Time(0));
  }
  EXPECT_TRUE(drain().empty()) << "a dead or unknown host is not reached through the tunnel either";
}

TEST(RelayRoutes, RowsGoToTheRoutingTableAndItsAnswerComesBack) {
  World world;
  std::string error;
  ASSERT_TRUE(parseWorld("{}", world, error));
  std::vector<RouteChange> applied;
  std::optional<std::string> refusal;
  Relay relay(world, 1, [&](const RouteChange& route) {
    applied.push_back(route);
    return refusal;
  });
  EXPECT_EQ(relay.answer("route add 192.0.2.10 mask 255.255.255.255 via 203.0.113.249 if 5 metric 1"), "ok");
  EXPECT_EQ(relay.answer("route delete 198.51.100.16 mask 255.255.255.240 via 203.0.113.249 if 7 metric 20"), "ok");
  ASSERT_EQ(applied.size(), 2u);
  EXPECT_TRUE(applied[0].add);
  EXPECT_EQ(describeRoute(applied[0]), "192.0.2.10/32 via 203.0.113.249 if 5 metric 1");
  EXPECT_FALSE(applied[1].add);
  EXPECT_EQ(describeRoute(applied[1]), "198.51.100.16/28 via 203.0.113.249 if 7 metric 20");
  refusal = "exists";
  EXPECT_EQ(relay.answer("route add 0.0.0.0 mask 0.0.0.0 via 203.0.113.249 if 5 metric 1"), "error exists");
  EXPECT_EQ(describeRoute(applied.back()), "0.0.0.0/0 via 203.0.113.249 if 5 metric 1");

  const struct {
    const char* line;
    const char* answer;
  } refused[] = {
      {"route add 198.51.100.30 mask 255.255.255.240 via 203.0.113.249 if 5 metric 1",
       "error destination 198.51.100.30 has bits outside its mask 255.255.255.240"},
      {"route add 192.0.2.0 mask 255.0.255.0 via 203.0.113.249 if 5 metric 1",
       "error bad mask 255.0.255.0: its one bits do not come first"},
      {"route add 192.0.2.10 mask 255.255.255.255 via 203.0.113.249 if 0 metric 1", "error bad interface index 0"},
      {"route add 192.0.2.10 mask 255.255.255.255 via 203.0.113 if 5 metric 1", "error bad gateway 203.0.113"},
      {"route add 192.0.2.10 mask 255.255.255.255 via 203.0.113.249 if 5 metric -1", "error bad metric -1"},
      {"route add 192.0.2.1x mask 255.255.255.255 via 203.0.113.249 if 5 metric 1", "error bad destination 192.0.2.1x"},
      {"route change 192.0.2.10 mask 255.255.255.255 via 203.0.113.249 if 5 metric 1",
       "error usage: route add|delete <destination> mask <mask> via <gateway> if <index> metric <n>"},
      {"route add 192.0.2.10 mask 255.255.255.255 via 203.0.113.249 if 5",
       "error usage: route add|delete <destination> mask <mask> via <gateway> if <index> metric <n>"},
  };
  for (const auto& c : refused) EXPECT_EQ(relay.answer(c.line), c.answer) << c.line;
  EXPECT_EQ(applied.size(), 3u) << "a malformed row never reaches the table";
}

TEST_F(RelayTest, ControlAnswers) {
  const struct {
    const char* line;
    const char* answer;
  } cases[] = {
      {"show 192.0.2.54", "ok latency 10 jitter 20 loss 0 dead 0"},
      {"set 192.0.2.54 latency 70 loss 0.125", "ok"},
      {"show 192.0.2.54", "ok latency 70 jitter 20 loss 0.125 dead 0"},
      {"  set\t192.0.2.54 jitter 0 latency 8 \r", "ok"},
      {"show 192.0.2.54", "ok latency 8 jitter 0 loss 0.125 dead 0"},
      {"kill 192.0.2.54", "ok"},
      {"show 192.0.2.54", "ok latency 8 jitter 0 loss 0.125 dead 1"},
      {"revive 192.0.2.54", "ok"},
      {"show 192.0.2.54", "ok latency 8 jitter 0 loss 0.125 dead 0"},
      {"show tunnel", "ok none"},
      {"count", "ok forwarded 0 dropped 0 echoes 0 carried 0"},
      {"traffic", "ok down sent 0 received 0"},
      {"traffic 192.0.2.54", "ok direct sent 0 received 0 tunnel sent 0 received 0"},
      {"traffic 192.0.2.99", "error unknown address 192.0.2.99"},
      {"traffic 192.0.2.54 now", "error usage: traffic <ip>"},
      {"route add 192.0.2.10 mask 255.255.255.255 via 203.0.113.249 if 5 metric 1", "error no routing table"},
      {"gateway latency 12 jitter 2 loss 0.5", "ok"},
      {"gateway follow", "ok"},
      {"set 192.0.2.99 latency 5", "error unknown address 192.0.2.99"},
      {"kill 192.0.2.99", "error unknown address 192.0.2.99"},
      {"revive 192.0.2.99", "error unknown address 192.0.2.99"},
      {"show 192.0.2.99", "error unknown address 192.0.2.99"},
      {"show", "error no address given"},
      {"kill 192.0.2", "error bad address 192.0.2"},
      {"kill 192.0.2.54 now", "error usage: kill <ip>"},
      {"set 192.0.2.54 latency", "error no value for latency"},
      {"set 192.0.2.54", "error no figures given"},
      {"set 192.0.2.54 latency 12.5", "error bad latency 12.5: whole milliseconds from 0 to 600000"},
      {"set 192.0.2.54 latency -3", "error bad latency -3: whole milliseconds from 0 to 600000"},
      {"set 192.0.2.54 jitter 9x", "error bad jitter 9x: whole milliseconds from 0 to 600000"},
      {"set 192.0.2.54 latency 600001", "error bad latency 600001: whole milliseconds from 0 to 600000"},
      {"set 192.0.2.54 loss 1.01", "error bad loss 1.01: a fraction from 0 to 1"},
      {"set 192.0.2.54 loss nan", "error bad loss nan: a fraction from 0 to 1"},
      {"set 192.0.2.54 latency 1 latency 2", "error latency given twice"},
      {"set 192.0.2.54 delay 4", "error unknown figure delay"},
      {"gateway", "error no figures given"},
      {"gateway latency ten", "error bad latency ten: whole milliseconds from 0 to 600000"},
      {"count now", "error usage: count"},
      {"", "error empty command"},
      {"reboot", "error unknown command reboot"},
      {"show 192.0.2.54", "ok latency 8 jitter 0 loss 0.125 dead 0"},
  };
  for (const auto& c : cases) EXPECT_EQ(relay_.answer(c.line), c.answer) << c.line;
}

}  // namespace
}  // namespace kestro::relay
