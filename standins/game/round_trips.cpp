#include "standins/game/round_trips.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace kestro::game {
namespace {

std::string milliseconds(double ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", ms);
  return text;
}

}  // namespace

double RoundTrips::medianMs() const {
  if (answeredMs.empty()) return 0;
  std::vector<double> sorted = answeredMs;
  std::sort(sorted.begin(), sorted.end());
  const size_t middle = sorted.size() / 2;
  return sorted.size() % 2 != 0 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

std::string reportLine(const RoundTrips& trips) {
  return trips.protocol + " " + trips.server + " rounds " + std::to_string(trips.rounds) + " answered " +
         std::to_string(trips.answered()) + " median " + milliseconds(trips.medianMs()) + " ms sent " +
         std::to_string(trips.sentBytes) + " received " + std::to_string(trips.receivedBytes) + " bytes";
}

std::string timesLine(const RoundTrips& trips) {
  std::string line = trips.protocol + " round trips (ms):";
  for (double ms : trips.answeredMs) line += " " + milliseconds(ms);
  return line;
}

std::optional<ReadReport> readReportLine(std::string_view line) {
  std::istringstream in{std::string(line)};
  ReadReport report;
  std::string rounds, answered, median, ms, sent, received, bytes;
  in >> report.trips.protocol >> report.trips.server >> rounds >> report.trips.rounds >> answered >>
      report.answered >> median >> report.medianMs >> ms >> sent >> report.trips.sentBytes >> received >>
      report.trips.receivedBytes >> bytes;
  std::string rest;
  if (!in || in >> rest || (report.trips.protocol != "udp" && report.trips.protocol != "tcp") || rounds != "rounds" ||
      answered != "answered" || median != "median" || ms != "ms" || sent != "sent" || received != "received" ||
      bytes != "bytes") {
    return std::nullopt;
  }
  return report;
}

}  // namespace kestro::game
