#include "nodes/latency_probe.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <memory>
#include <new>
#include <vector>

#include "base/text_convert.h"

namespace kestro {
namespace {

constexpr char kPayload[] = "Data Buffer";  // sent with its zero byte: 12 bytes
// Room for one echo reply record, the returned payload and the 8 bytes of an
// ICMP error message, as IcmpSendEcho2 requires.
// ICMP_ECHO_REPLY is 28 bytes in the program; the 64-bit test tree
// (cmake/mingw-w64-x86_64.cmake) has the larger 64-bit record.
#ifdef _WIN64
constexpr DWORD kReplyBufferSize = 60;
#else
constexpr DWORD kReplyBufferSize = 48;
#endif
static_assert(sizeof(ICMP_ECHO_REPLY) + sizeof(kPayload) + 8 == kReplyBufferSize);
constexpr DWORD kEchoTimeoutMs = 1000;
constexpr size_t kNodeEchoes = 3;
constexpr size_t kLinkEchoes = 100;

// One request, waiting for its reply or the time-out. The all-ones address
// (what inet_addr makes of text that is not dotted IPv4, and the limited
// broadcast address) is never sent to: it counts as an unanswered request.
EchoOutcome sendEcho(HANDLE icmp, IPAddr destination, std::byte* reply) {
  if (destination == INADDR_NONE) return {};
  char payload[sizeof(kPayload)];
  std::copy(std::begin(kPayload), std::end(kPayload), payload);
  const DWORD replies = icmpFunctions().sendEcho2(icmp, nullptr, nullptr, nullptr, destination, payload,
                                                  sizeof(payload), nullptr, reply, kReplyBufferSize,
                                                  kEchoTimeoutMs);
  if (replies == 0) return {};
  const auto* echo = reinterpret_cast<const ICMP_ECHO_REPLY*>(reply);
  if (echo->Status != IP_SUCCESS) return {};
  return {true, echo->RoundTripTime};
}

IPAddr destinationOf(const std::wstring& address) { return inet_addr(toAnsi(address).c_str()); }

std::unique_ptr<std::byte[]> replyBuffer() {
  return std::unique_ptr<std::byte[]>(new (std::nothrow) std::byte[kReplyBufferSize]);
}

void NTAPI asyncEchoEnded(void* context, void* /*status*/, ULONG /*reserved*/) {
  auto& echo = *static_cast<AsyncNodeEcho*>(context);
  echo.ended(echo);
}

}  // namespace

bool sendNodeEchoAsync(const std::wstring& address, HANDLE icmp, AsyncNodeEcho& echo) {
  static_assert(sizeof(echo.reply) >= kReplyBufferSize && sizeof(echo.payload) == sizeof(kPayload));
  const IPAddr destination = destinationOf(address);
  if (destination == INADDR_NONE) return false;
  std::copy(std::begin(kPayload), std::end(kPayload), echo.payload);
  const DWORD replies = icmpFunctions().sendEcho2(
      icmp, nullptr, reinterpret_cast<EchoApcRoutine>(reinterpret_cast<void (*)()>(&asyncEchoEnded)), &echo,
      destination, echo.payload, sizeof(echo.payload), nullptr, echo.reply, kReplyBufferSize, kEchoTimeoutMs);
  // Sent asynchronously, the call answers ERROR_IO_PENDING and the APC follows.
  return replies == 0 && GetLastError() == ERROR_IO_PENDING;
}

EchoOutcome asyncEchoOutcome(const AsyncNodeEcho& echo) {
  auto* reply = const_cast<std::byte*>(echo.reply);
  if (icmpFunctions().parseReplies(reply, kReplyBufferSize) == 0) return {};
  const auto* answer = reinterpret_cast<const ICMP_ECHO_REPLY*>(reply);
  if (answer->Status != IP_SUCCESS) return {};
  return {true, answer->RoundTripTime};
}

EchoOutcome sendNodeEcho(const std::wstring& address, HANDLE icmp) {
  const std::unique_ptr<std::byte[]> reply = replyBuffer();
  if (!reply) return {};
  return sendEcho(icmp, destinationOf(address), reply.get());
}

int32_t probeNodeLatency(const std::wstring& address, HANDLE icmp) {
  if (icmp == INVALID_HANDLE_VALUE || icmp == nullptr) return kLatencyInvalidHandle;
  const IPAddr destination = destinationOf(address);
  const std::unique_ptr<std::byte[]> reply = replyBuffer();
  if (!reply) return kLatencyNoMemory;
  std::array<EchoOutcome, kNodeEchoes> echoes;
  for (EchoOutcome& echo : echoes) echo = sendEcho(icmp, destination, reply.get());
  return nodeLatencyFrom(echoes);
}

bool probeLinkQuality(const std::wstring& address, HANDLE icmp, float& averageMs, float& loss) {
  if (icmp == INVALID_HANDLE_VALUE || icmp == nullptr) return false;
  const IPAddr destination = destinationOf(address);
  const std::unique_ptr<std::byte[]> reply = replyBuffer();
  std::vector<EchoOutcome> echoes(kLinkEchoes);
  // Without a reply buffer every request counts as lost.
  if (reply) {
    for (EchoOutcome& echo : echoes) echo = sendEcho(icmp, destination, reply.get());
  }
  const LinkQuality quality = linkQualityFrom(echoes);
  averageMs = quality.averageMs;
  loss = quality.loss;
  return true;
}

}  // namespace kestro
