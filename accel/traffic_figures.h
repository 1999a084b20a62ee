// The traffic figures of a running acceleration: the tunnel library reports
// its two cumulative byte counters once a second; the window shows rates in
// bits per second, totals in bytes and the peak rate.
#pragma once

#include <cstdint>
#include <string>

namespace kestro {

// The counters are 32-bit in the library's report. Rates are taken as the
// difference modulo 2^32 and totals carried in 64 bits, so neither direction
// turns meaningless past 2 or 4 GiB. Everything starts at zero, so the first
// report after the tunnel comes up gives the whole first second as its rate.
struct TrafficCounters {
  uint32_t lastUp = 0;
  uint32_t lastDown = 0;
  int64_t upTotal = 0;
  int64_t downTotal = 0;
  int64_t peakRate = 0;
};

struct TrafficSample {
  int64_t upRate = 0;  // bits per second
  int64_t downRate = 0;
  int64_t upTotal = 0;  // bytes
  int64_t downTotal = 0;
  bool newPeak = false;  // peakRate rose with this report
  int64_t peakRate = 0;
};

// One report: `downCounter` bytes received (the message's wParam), `upCounter`
// bytes sent (its lParam), both since the tunnel came up.
TrafficSample addTrafficReport(TrafficCounters& counters, uint32_t downCounter, uint32_t upCounter);

// "%d位/秒(Bits/S)", "%.3f千位/秒(KBits/S)" or "%.3f兆位/秒(MBits/S)".
std::wstring rateText(int64_t bitsPerSecond);
// "%d字节(Bytes)", "%.3f千字节(KBytes)", "%.3f兆字节(MBytes)" up to 104 MiB, then "%.3f吉字节(GBytes)".
std::wstring byteText(int64_t bytes);

}  // namespace kestro
