// What the stand-in game reports of one protocol's exchange with a game server:
// its round trips and the bytes it moved, as one line that the tests read back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestro::game {

struct RoundTrips {
  std::string protocol;  // "udp" or "tcp"
  std::string server;    // "192.0.2.10:9000"
  int rounds = 0;
  std::vector<double> answeredMs;  // the answered rounds' times, in order
  uint64_t sentBytes = 0;          // payload handed to the network
  uint64_t receivedBytes = 0;      // payload that came back

  int answered() const { return static_cast<int>(answeredMs.size()); }
  // The middle answered time (the mean of the two middle ones); 0 when none was answered.
  double medianMs() const;
};

// "udp 192.0.2.10:9000 rounds 20 answered 19 median 41.5 ms sent 10240 received 9728 bytes"
std::string reportLine(const RoundTrips& trips);
// Every answered time, for a person: "udp round trips (ms): 40.1 41.5 ...".
std::string timesLine(const RoundTrips& trips);

// A report line read back (its times are not in it: `answeredMs` stays empty
// and `median` holds the reported median); nothing for any other line.
struct ReadReport {
  RoundTrips trips;
  int answered = 0;
  double medianMs = 0;
};
std::optional<ReadReport> readReportLine(std::string_view line);

}  // namespace kestro::game
