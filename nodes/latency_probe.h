// The two ICMP echo probes: a three-echo latency probe that rates nodes and a
// hundred-echo probe of average latency and loss for the diagnosis and the
// link monitor. Each request carries "Data Buffer" with its zero byte, waits
// up to 1000 ms for its reply and is sent after the previous one ended. The
// caller opens the ICMP handle (IcmpHandle) and keeps it for several probes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "nodes/echo_tally.h"
#include "nodes/icmp_handle_win.h"

namespace kestro {

// Average latency in ms of three echoes to `address` (dotted IPv4 text), a
// failed request weighing 999 ms; kLatencyInvalidHandle (-1) for an invalid
// handle, kLatencyNoMemory (-2) when the reply buffer cannot be had,
// kLatencyUnreachable (-5) when none of the three was answered. Blocks up to 3 s.
int32_t probeNodeLatency(const std::wstring& address, HANDLE icmp);

// One echo request of the three-echo probe, with a reply buffer of its own
// (so several may be under way at once on one handle); unanswered when the
// buffer cannot be had.
EchoOutcome sendNodeEcho(const std::wstring& address, HANDLE icmp);

// One echo of the three-echo probe sent asynchronously: its record must stay
// in place until `ended(echo)` has run, as an APC on the sending thread in
// one of its alertable waits. False, with no APC to come, when it could not
// be sent: an unanswered echo.
struct AsyncNodeEcho {
  alignas(8) std::byte reply[64];
  char payload[12];
  void (*ended)(AsyncNodeEcho& echo) = nullptr;
  void* owner = nullptr;  // the caller's
};
bool sendNodeEchoAsync(const std::wstring& address, HANDLE icmp, AsyncNodeEcho& echo);
// What an ended asynchronous echo found.
EchoOutcome asyncEchoOutcome(const AsyncNodeEcho& echo);

// Sends 100 echoes to `address` and writes the average echo time of the
// answered ones (1000.0 ms when none was answered) and the fraction lost.
// False, with nothing written, when the handle is invalid. Blocks up to 100 s.
bool probeLinkQuality(const std::wstring& address, HANDLE icmp, float& averageMs, float& loss);

}  // namespace kestro
