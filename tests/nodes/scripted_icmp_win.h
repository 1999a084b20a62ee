// Replaces the ICMP seam for one test: echoes answer from a script per
// destination, and every request is recorded. Header-only: the test folder's
// sources are its *_test.cpp files.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "nodes/icmp_seam_win.h"
#include "tests/support/scoped_seam.h"

namespace kestro::test {

struct ScriptedEcho {
  enum class Kind { Reply, TimeOut, ErrorStatus, RealEcho, Held };
  Kind kind = Kind::TimeOut;
  ULONG roundTripMs = 0;

  static ScriptedEcho reply(ULONG ms) { return {Kind::Reply, ms}; }
  static ScriptedEcho timeOut() { return {Kind::TimeOut, 0}; }
  // A reply arrives, but with an error status (destination host unreachable).
  static ScriptedEcho errorStatus() { return {Kind::ErrorStatus, 0}; }
  // The real IcmpSendEcho2 answers.
  static ScriptedEcho realEcho() { return {Kind::RealEcho, 0}; }
  // A reply that takes `ms` to arrive: the call blocks that long, or, sent
  // with an APC, the APC comes that much later.
  static ScriptedEcho held(ULONG ms) { return {Kind::Held, ms}; }
};

// What one IcmpSendEcho2 call asked for.
struct EchoCall {
  IPAddr destination = 0;
  std::string payload;
  DWORD replySize = 0;
  DWORD timeoutMs = 0;
  bool withOptions = false;
  bool withEvent = false;
  ULONGLONG sentAt = 0;      // GetTickCount64 when the call began
  ULONGLONG answeredAt = 0;  // and when it returned or its APC ran (held echoes only)
};

class ScriptedIcmp {
 public:
  ScriptedIcmp() = default;
  // Every held echo's answering thread has ended before the test goes on:
  // one still ending while the test program exits can crash it.
  ~ScriptedIcmp() {
    std::vector<std::thread> answering;
    {
      std::lock_guard lock(mutex_);
      answering.swap(answering_);
    }
    for (auto& thread : answering) thread.join();
  }
  ScriptedIcmp(const ScriptedIcmp&) = delete;
  ScriptedIcmp& operator=(const ScriptedIcmp&) = delete;

  // Echoes to `address` answer in this order; after the last, the last repeats.
  // Unscripted destinations time out.
  void script(const char* address, std::vector<ScriptedEcho> echoes) {
    std::lock_guard lock(mutex_);
    scripts_[inet_addr(address)] = {std::move(echoes), 0};
  }
  void failOpen() { failOpen_ = true; }

  std::vector<EchoCall> calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  int opened() const { return opened_; }
  // The most calls that were under way at once.
  int mostInFlight() const { return mostInFlight_; }
  int closed() const { return closed_; }

  inline static const HANDLE kHandle = reinterpret_cast<HANDLE>(0x4C1C);

 private:
  struct Script {
    std::vector<ScriptedEcho> echoes;
    size_t next = 0;
  };

  static ScriptedIcmp*& current() {
    static ScriptedIcmp* instance = nullptr;
    return instance;
  }

  static HANDLE WINAPI createFile() {
    ScriptedIcmp& self = *current();
    if (self.failOpen_) return INVALID_HANDLE_VALUE;
    ++self.opened_;
    // A real handle as well, so that RealEcho scripts can reach the real function.
    self.real_ = self.icmp_.original().createFile();
    return kHandle;
  }

  static BOOL WINAPI closeHandle(HANDLE handle) {
    ScriptedIcmp& self = *current();
    if (handle != kHandle) return FALSE;
    ++self.closed_;
    if (self.real_ != INVALID_HANDLE_VALUE) self.icmp_.original().closeHandle(self.real_);
    return TRUE;
  }

  static DWORD WINAPI sendEcho2(HANDLE handle, HANDLE event, EchoApcRoutine apc, PVOID apcContext,
                                IPAddr destination, LPVOID request, WORD requestSize,
                                PIP_OPTION_INFORMATION options, LPVOID reply, DWORD replySize, DWORD timeoutMs) {
    ScriptedIcmp& self = *current();
    ScriptedEcho echo;
    size_t call = 0;
    {
      std::lock_guard lock(self.mutex_);
      call = self.calls_.size();
      self.calls_.push_back({destination, std::string(static_cast<const char*>(request), requestSize), replySize,
                             timeoutMs, options != nullptr, event != nullptr || apc != nullptr, GetTickCount64()});
      auto found = self.scripts_.find(destination);
      if (found != self.scripts_.end() && !found->second.echoes.empty()) {
        Script& script = found->second;
        echo = script.echoes[std::min(script.next, script.echoes.size() - 1)];
        ++script.next;
      }
    }
    if (handle != kHandle) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
    if (apc != nullptr && echo.kind != ScriptedEcho::Kind::RealEcho) {
      self.answerLater(call, echo, apc, apcContext, destination, reply);
      SetLastError(ERROR_IO_PENDING);
      return 0;
    }
    switch (echo.kind) {
      case ScriptedEcho::Kind::Held: {
        const int now = ++self.inFlight_;
        for (int most = self.mostInFlight_; now > most && !self.mostInFlight_.compare_exchange_weak(most, now);) {
        }
        Sleep(echo.roundTripMs);
        --self.inFlight_;
        std::lock_guard lock(self.mutex_);
        self.calls_[call].answeredAt = GetTickCount64();
        break;
      }
      case ScriptedEcho::Kind::RealEcho:
        return self.icmp_.original().sendEcho2(self.real_, event, apc, apcContext, destination, request, requestSize, options,
                                     reply, replySize, timeoutMs);
      case ScriptedEcho::Kind::TimeOut:
        SetLastError(IP_REQ_TIMED_OUT);
        return 0;
      case ScriptedEcho::Kind::Reply:
      case ScriptedEcho::Kind::ErrorStatus:
        break;
    }
    auto* answer = static_cast<ICMP_ECHO_REPLY*>(reply);
    *answer = ICMP_ECHO_REPLY{};
    answer->Address = destination;
    answer->Status = echo.kind == ScriptedEcho::Kind::ErrorStatus ? IP_DEST_HOST_UNREACHABLE : IP_SUCCESS;
    answer->RoundTripTime = echo.roundTripMs;
    return 1;
  }

  // Fills the reply of an echo sent with an APC and queues the APC to the
  // calling thread: at once, or after a held echo's time.
  void answerLater(size_t call, const ScriptedEcho& echo, EchoApcRoutine apc, PVOID apcContext, IPAddr destination,
                   LPVOID reply) {
    auto* answer = static_cast<ICMP_ECHO_REPLY*>(reply);
    *answer = ICMP_ECHO_REPLY{};
    answer->Address = destination;
    const bool answered = echo.kind != ScriptedEcho::Kind::TimeOut;
    answer->Status = echo.kind == ScriptedEcho::Kind::ErrorStatus ? IP_DEST_HOST_UNREACHABLE
                     : answered                                   ? IP_SUCCESS
                                                                  : IP_REQ_TIMED_OUT;
    answer->RoundTripTime = echo.roundTripMs;
    {
      std::lock_guard lock(mutex_);
      replies_[reply] = answered ? 1 : 0;
    }
    HANDLE caller = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &caller, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    auto* pending = new PendingApc{this, call, apc, apcContext, echo.kind == ScriptedEcho::Kind::Held};
    if (!pending->held) {
      QueueUserAPC(&ScriptedIcmp::deliver, caller, reinterpret_cast<ULONG_PTR>(pending));
      CloseHandle(caller);
      return;
    }
    const int now = ++inFlight_;
    for (int most = mostInFlight_; now > most && !mostInFlight_.compare_exchange_weak(most, now);) {
    }
    std::thread answering([pending, caller, ms = echo.roundTripMs] {
      Sleep(ms);
      QueueUserAPC(&ScriptedIcmp::deliver, caller, reinterpret_cast<ULONG_PTR>(pending));
      CloseHandle(caller);
    });
    std::lock_guard lock(mutex_);
    answering_.push_back(std::move(answering));
  }

  struct PendingApc {
    ScriptedIcmp* self;
    size_t call;
    EchoApcRoutine apc;
    PVOID context;
    bool held;
  };

  static void CALLBACK deliver(ULONG_PTR parameter) {
    const std::unique_ptr<PendingApc> pending(reinterpret_cast<PendingApc*>(parameter));
    if (pending->held) {
      --pending->self->inFlight_;
      std::lock_guard lock(pending->self->mutex_);
      pending->self->calls_[pending->call].answeredAt = GetTickCount64();
    }
    using Routine = void(NTAPI*)(PVOID, PVOID, ULONG);
    reinterpret_cast<Routine>(reinterpret_cast<void (*)()>(pending->apc))(pending->context, nullptr, 0);
  }

  static DWORD WINAPI parseReplies(LPVOID reply, DWORD size) {
    ScriptedIcmp& self = *current();
    {
      std::lock_guard lock(self.mutex_);
      if (auto found = self.replies_.find(reply); found != self.replies_.end()) return found->second;
    }
    return self.icmp_.original().parseReplies(reply, size);
  }

  std::map<LPVOID, DWORD> replies_;  // the replies this script wrote, and their count
  std::vector<std::thread> answering_;  // the held echoes' answering threads
  mutable std::mutex mutex_;
  std::map<IPAddr, Script> scripts_;
  std::vector<EchoCall> calls_;
  std::atomic<bool> failOpen_{false};
  std::atomic<int> opened_{0};
  std::atomic<int> closed_{0};
  std::atomic<int> inFlight_{0};
  std::atomic<int> mostInFlight_{0};
  HANDLE real_ = INVALID_HANDLE_VALUE;
  // Last, so that the seam is back before anything of the script goes.
  ScopedSeam<ScriptedIcmp*> current_{current(), this};
  ScopedSeam<IcmpFunctions> icmp_{icmpFunctions(), IcmpFunctions{&createFile, &sendEcho2, &closeHandle, &parseReplies}};
};

// Why real echoes to 127.0.0.1 cannot be sent here, or empty when they can.
// Wine sends them through a raw ICMP socket (root or CAP_NET_RAW) or an
// unprivileged ICMP socket (net.ipv4.ping_group_range); without either every
// echo fails with ERROR_ACCESS_DENIED.
inline std::string loopbackEchoUnavailable() {
  const HANDLE handle = IcmpCreateFile();
  if (handle == INVALID_HANDLE_VALUE) return "IcmpCreateFile failed";
  char payload[] = "probe";
  unsigned char reply[sizeof(ICMP_ECHO_REPLY) + sizeof(payload) + 8];
  const DWORD replies = IcmpSendEcho2(handle, nullptr, nullptr, nullptr, inet_addr("127.0.0.1"), payload,
                                      sizeof(payload), nullptr, reply, sizeof(reply), 1000);
  const DWORD error = GetLastError();
  IcmpCloseHandle(handle);
  if (replies == 0 && error == ERROR_ACCESS_DENIED)
    return "this user may not open ICMP sockets (run as root, or widen net.ipv4.ping_group_range)";
  return {};
}

}  // namespace kestro::test
