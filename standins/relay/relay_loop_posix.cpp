#include "standins/relay/relay_loop_posix.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "standins/relay/control_server_posix.h"

namespace kestro::relay {
namespace {

constexpr int kReadsPerWake = 64;  // per device, so that no device starves the others
constexpr Time kWatchPeriod = std::chrono::seconds(1);

Time now() { return std::chrono::duration_cast<Time>(std::chrono::steady_clock::now().time_since_epoch()); }

const char* deviceName(Port port) {
  switch (port) {
    case Port::ClientWan:
      return "wan0 of the client's namespace";
    case Port::InternetWan:
      return "wan0 of the internet's namespace";
    case Port::Adapter:
      return "vadapter";
  }
  return "";
}

// Gone, or a zombie that its parent has not reaped yet.
bool hasEnded(pid_t process) {
  if (kill(process, 0) != 0 && errno == ESRCH) return true;
  std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
  std::string text;
  std::getline(stat, text);
  const size_t end = text.rfind(") ");
  return end != std::string::npos && end + 2 < text.size() && (text[end + 2] == 'Z' || text[end + 2] == 'X');
}

}  // namespace

int runRelay(Relay& relay, const Devices& devices, std::optional<pid_t> watched) {
  sigset_t stopping;
  sigemptyset(&stopping);
  sigaddset(&stopping, SIGTERM);
  sigaddset(&stopping, SIGINT);
  sigprocmask(SIG_BLOCK, &stopping, nullptr);
  const int signals = signalfd(-1, &stopping, SFD_NONBLOCK | SFD_CLOEXEC);
  if (signals < 0) {
    std::fprintf(stderr, "relay: cannot wait for signals: %s\n", std::strerror(errno));
    return 1;
  }
  const std::array<std::pair<Port, int>, 3> tuns = {{{Port::ClientWan, devices.clientWan},
                                                     {Port::InternetWan, devices.internetWan},
                                                     {Port::Adapter, devices.adapter}}};
  const auto fdOf = [&](Port port) {
    for (const auto& [known, fd] : tuns) {
      if (known == port) return fd;
    }
    return -1;
  };
  const Relay::Writer write = [&](Port to, std::span<const uint8_t> packet) {
    return ::write(fdOf(to), packet.data(), packet.size()) == static_cast<ssize_t>(packet.size());
  };
  ControlServer control(devices.control);
  std::vector<uint8_t> buffer(65536);
  Time nextWatch = now() + kWatchPeriod;
  for (;;) {
    std::vector<pollfd> entries = {{signals, POLLIN, 0}};
    for (const auto& [port, fd] : tuns) entries.push_back({fd, POLLIN, 0});
    const size_t controlFirst = entries.size();
    control.addPollEntries(entries);

    const Time wake = std::min(nextWatch, relay.nextDue().value_or(nextWatch));
    const Time left = std::max(Time(0), wake - now());
    const timespec timeout{static_cast<time_t>(left.count() / 1000000),
                           static_cast<long>(left.count() % 1000000) * 1000};
    if (ppoll(entries.data(), entries.size(), &timeout, nullptr) < 0 && errno != EINTR) {
      std::fprintf(stderr, "relay: poll failed: %s\n", std::strerror(errno));
      return 1;
    }
    if (entries[0].revents != 0) {
      std::fprintf(stderr, "relay: stopping on a signal\n");
      return 0;
    }
    for (size_t i = 0; i < tuns.size(); ++i) {
      if (entries[1 + i].revents == 0) continue;
      for (int reads = 0; reads < kReadsPerWake; ++reads) {
        const ssize_t got = read(tuns[i].second, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EAGAIN) break;
        if (got < 0) {
          std::fprintf(stderr, "relay: stopping: reading %s failed: %s\n", deviceName(tuns[i].first),
                       std::strerror(errno));
          return 0;
        }
        relay.receive(tuns[i].first, std::span(buffer).first(static_cast<size_t>(got)), now());
      }
    }
    control.serve(entries, controlFirst, relay);
    relay.sendDue(now(), write);
    if (now() >= nextWatch) {
      if (watched && hasEnded(*watched)) {
        std::fprintf(stderr, "relay: stopping: process %d has ended\n", static_cast<int>(*watched));
        return 0;
      }
      nextWatch = now() + kWatchPeriod;
    }
  }
}

}  // namespace kestro::relay
