#include "accel/traffic_figures.h"

#include <cmath>

#include "nodes/number_text.h"

namespace kestro {
namespace {

// Three decimals, halves rounded away from zero on every C runtime (glibc's
// printf rounds 7.8125 to even, Windows' away from zero; the figures must match).
std::wstring formatted(const char* format, double value) {
  return formatNumber(format, std::round(value * 1000.0) / 1000.0);
}

constexpr int64_t kKilo = 1024;
constexpr int64_t kMega = 1048576;
constexpr int64_t kGiga = 1073741824;
// Mega units are shown up to 104 MiB; the step to giga comes there.
constexpr int64_t kGigaFrom = 104 * kMega;

}  // namespace

TrafficSample addTrafficReport(TrafficCounters& counters, uint32_t downCounter, uint32_t upCounter) {
  const uint32_t upBytes = upCounter - counters.lastUp;
  const uint32_t downBytes = downCounter - counters.lastDown;
  counters.lastUp = upCounter;
  counters.lastDown = downCounter;
  counters.upTotal += upBytes;
  counters.downTotal += downBytes;

  TrafficSample sample;
  sample.upRate = static_cast<int64_t>(upBytes) * 8;
  sample.downRate = static_cast<int64_t>(downBytes) * 8;
  sample.upTotal = counters.upTotal;
  sample.downTotal = counters.downTotal;
  const int64_t highest = sample.downRate > sample.upRate ? sample.downRate : sample.upRate;
  if (highest > counters.peakRate) {
    counters.peakRate = highest;
    sample.newPeak = true;
  }
  sample.peakRate = counters.peakRate;
  return sample;
}

std::wstring rateText(int64_t bitsPerSecond) {
  if (bitsPerSecond < kKilo) return std::to_wstring(bitsPerSecond) + L"位/秒(Bits/S)";
  if (bitsPerSecond < kMega) return formatted("%.3f千位/秒(KBits/S)", static_cast<double>(bitsPerSecond) / kKilo);
  return formatted("%.3f兆位/秒(MBits/S)", static_cast<double>(bitsPerSecond) / kMega);
}

std::wstring byteText(int64_t bytes) {
  if (bytes < kKilo) return std::to_wstring(bytes) + L"字节(Bytes)";
  if (bytes < kMega) return formatted("%.3f千字节(KBytes)", static_cast<double>(bytes) / kKilo);
  if (bytes < kGigaFrom) return formatted("%.3f兆字节(MBytes)", static_cast<double>(bytes) / kMega);
  return formatted("%.3f吉字节(GBytes)", static_cast<double>(bytes) / kGiga);
}

}  // namespace kestro
