// kestro-relay --world <world.json> --client-ns <pid> --internet-ns <pid> [--watch <pid>] [--seed <n>]
// The wire between the client's and the internet's network namespaces, and the
// far end of the tunnel on the client's virtual adapter.
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "standins/relay/devices_posix.h"
#include "standins/relay/relay.h"
#include "standins/relay/relay_loop_posix.h"
#include "standins/relay/route_table_posix.h"
#include "standins/relay/world.h"

namespace {

constexpr char kUsage[] =
    "usage: kestro-relay --world <world.json> --client-ns <pid> --internet-ns <pid> [--watch <pid>] [--seed <n>]";

template <typename Number>
std::optional<Number> parseNumber(std::string_view text) {
  Number value{};
  const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (failure != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

int fail(const std::string& sentence) {
  std::fprintf(stderr, "relay: %s\n", sentence.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string worldPath;
  std::optional<pid_t> clientProcess, internetProcess, watched;
  uint64_t seed = kestro::relay::kDefaultSeed;
  for (int i = 1; i < argc; i += 2) {
    const std::string option = argv[i];
    if (i + 1 >= argc) return fail("no value after " + option + "\n" + kUsage);
    const std::string_view value = argv[i + 1];
    std::optional<pid_t>* process = option == "--client-ns"     ? &clientProcess
                                    : option == "--internet-ns" ? &internetProcess
                                    : option == "--watch"       ? &watched
                                                                : nullptr;
    if (option == "--world") {
      worldPath = value;
    } else if (option == "--seed") {
      const auto number = parseNumber<uint64_t>(value);
      if (!number) return fail("the seed is not a whole number: " + std::string(value));
      seed = *number;
    } else if (process) {
      *process = parseNumber<pid_t>(value);
      if (!*process || **process <= 0) return fail(option + " is not a process id: " + std::string(value));
    } else {
      return fail("unknown option " + option + "\n" + kUsage);
    }
  }
  if (worldPath.empty() || !clientProcess || !internetProcess) return fail(std::string("missing options\n") + kUsage);

  std::ifstream file(worldPath, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  if (!file) return fail("cannot read the world file " + worldPath);
  kestro::relay::World world;
  std::string error;
  if (!kestro::relay::parseWorld(text.str(), world, error)) return fail(worldPath + ": " + error);

  kestro::relay::Devices devices;
  if (!kestro::relay::openDevices(*clientProcess, *internetProcess, devices, error)) return fail(error);
  // Each row the program creates or deletes, and its outcome, goes to the log.
  const auto routes = [fd = devices.routes](const kestro::relay::RouteChange& route) {
    const auto refused = kestro::relay::applyRoute(fd, route);
    std::fprintf(stderr, "relay: route %s %s: %s\n", route.add ? "add" : "delete",
                 kestro::relay::describeRoute(route).c_str(), refused ? refused->c_str() : "ok");
    return refused;
  };
  kestro::relay::Relay relay(std::move(world), seed, routes);
  std::printf("relay ready control 127.0.0.1:%u\n", static_cast<unsigned>(devices.controlPort));
  std::fflush(stdout);
  return kestro::relay::runRelay(relay, devices, watched);
}
