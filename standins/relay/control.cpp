#include "standins/relay/control.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace kestro::relay {
namespace {

std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> out;
  size_t at = 0;
  while (at < line.size()) {
    const size_t start = line.find_first_not_of(" \t\r", at);
    if (start == std::string_view::npos) break;
    const size_t end = std::min(line.find_first_of(" \t\r", start), line.size());
    out.push_back(line.substr(start, end - start));
    at = end;
  }
  return out;
}

std::optional<int> parseMilliseconds(std::string_view text) {
  int value = 0;
  const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (failure != std::errc() || end != text.data() + text.size() || value < 0 || value > kMaxMilliseconds) {
    return std::nullopt;
  }
  return value;
}

std::optional<double> parseFraction(std::string_view text) {
  double value = 0;
  const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (failure != std::errc() || end != text.data() + text.size() || !(value >= 0 && value <= 1)) {
    return std::nullopt;
  }
  return value;
}

// "latency <ms>", "jitter <ms>" and "loss <fraction>" pairs, each at most once.
std::optional<std::string> parseChanges(const std::vector<std::string_view>& args, size_t from,
                                        FigureChanges& changes) {
  if (from >= args.size()) return "no figures given";
  for (size_t at = from; at < args.size(); at += 2) {
    const std::string_view name = args[at];
    if (at + 1 >= args.size()) return "no value for " + std::string(name);
    const std::string_view value = args[at + 1];
    if (name == "latency" || name == "jitter") {
      auto& figure = name == "latency" ? changes.latencyMs : changes.jitterMs;
      if (figure) return std::string(name) + " given twice";
      figure = parseMilliseconds(value);
      if (!figure) {
        return "bad " + std::string(name) + " " + std::string(value) + ": whole milliseconds from 0 to " +
               std::to_string(kMaxMilliseconds);
      }
    } else if (name == "loss") {
      if (changes.lossRate) return "loss given twice";
      changes.lossRate = parseFraction(value);
      if (!changes.lossRate) return "bad loss " + std::string(value) + ": a fraction from 0 to 1";
    } else {
      return "unknown figure " + std::string(name);
    }
  }
  return std::nullopt;
}

std::optional<Address> addressArgument(const std::vector<std::string_view>& args, std::string& error) {
  if (args.size() < 2) {
    error = "no address given";
    return std::nullopt;
  }
  const auto address = parseAddress(args[1]);
  if (!address) error = "bad address " + std::string(args[1]);
  return address;
}

// The prefix length of a contiguous mask; nothing for any other.
std::optional<int> prefixLengthOf(Address mask) {
  int length = 0;
  while (length < 32 && (mask & (0x80000000u >> length)) != 0) ++length;
  const Address contiguous = length == 0 ? 0 : ~Address(0) << (32 - length);
  if (mask != contiguous) return std::nullopt;
  return length;
}

std::optional<uint32_t> parseWhole(std::string_view text) {
  uint32_t value = 0;
  const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (failure != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// "route add|delete <destination> mask <mask> via <gateway> if <index> metric <n>".
std::optional<std::string> parseRoute(const std::vector<std::string_view>& args, RouteChange& route) {
  constexpr char kUsage[] = "usage: route add|delete <destination> mask <mask> via <gateway> if <index> metric <n>";
  if (args.size() != 11 || (args[1] != "add" && args[1] != "delete") || args[3] != "mask" || args[5] != "via" ||
      args[7] != "if" || args[9] != "metric") {
    return kUsage;
  }
  route.add = args[1] == "add";
  const auto destination = parseAddress(args[2]);
  const auto mask = parseAddress(args[4]);
  const auto gateway = parseAddress(args[6]);
  const auto index = parseWhole(args[8]);
  const auto metric = parseWhole(args[10]);
  if (!destination) return "bad destination " + std::string(args[2]);
  if (!mask) return "bad mask " + std::string(args[4]);
  if (!gateway) return "bad gateway " + std::string(args[6]);
  if (!index || *index == 0) return "bad interface index " + std::string(args[8]);
  if (!metric) return "bad metric " + std::string(args[10]);
  const auto length = prefixLengthOf(*mask);
  if (!length) return "bad mask " + std::string(args[4]) + ": its one bits do not come first";
  if ((*destination & ~*mask) != 0) {
    return "destination " + std::string(args[2]) + " has bits outside its mask " + std::string(args[4]);
  }
  route.destination = *destination;
  route.prefixLength = *length;
  route.gateway = *gateway;
  route.interfaceIndex = *index;
  route.metric = *metric;
  return std::nullopt;
}

}  // namespace

Figures FigureChanges::appliedTo(Figures figures) const {
  figures.latencyMs = latencyMs.value_or(figures.latencyMs);
  figures.jitterMs = jitterMs.value_or(figures.jitterMs);
  figures.lossRate = lossRate.value_or(figures.lossRate);
  return figures;
}

std::variant<Command, std::string> parseCommand(std::string_view line) {
  const auto args = words(line);
  if (args.empty()) return std::string("empty command");
  const std::string_view verb = args[0];
  Command command;
  std::string error;
  if (verb == "count" || verb == "cut") {
    command.kind = verb == "count" ? Command::Kind::Count : Command::Kind::Cut;
    if (args.size() != 1) return "usage: " + std::string(verb);
  } else if (verb == "traffic" && args.size() == 1) {
    command.kind = Command::Kind::TunnelTraffic;
  } else if (verb == "route") {
    command.kind = Command::Kind::Route;
    if (auto bad = parseRoute(args, command.route)) return *bad;
  } else if (verb == "show" && args.size() == 2 && args[1] == "tunnel") {
    command.kind = Command::Kind::ShowTunnel;
  } else if (verb == "kill" || verb == "revive" || verb == "show" || verb == "traffic") {
    command.kind = verb == "kill"     ? Command::Kind::Kill
                   : verb == "revive" ? Command::Kind::Revive
                   : verb == "show"   ? Command::Kind::Show
                                      : Command::Kind::AddressTraffic;
    const auto address = addressArgument(args, error);
    if (!address) return error;
    if (args.size() != 2) return "usage: " + std::string(verb) + " <ip>";
    command.address = *address;
  } else if (verb == "set") {
    command.kind = Command::Kind::Set;
    const auto address = addressArgument(args, error);
    if (!address) return error;
    command.address = *address;
    if (auto bad = parseChanges(args, 2, command.changes)) return *bad;
  } else if (verb == "gateway" && args.size() == 2 && args[1] == "follow") {
    command.kind = Command::Kind::GatewayFollow;
  } else if (verb == "gateway") {
    command.kind = Command::Kind::GatewayFigures;
    if (auto bad = parseChanges(args, 1, command.changes)) return *bad;
  } else {
    return "unknown command " + std::string(verb);
  }
  return command;
}

std::string formatFraction(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string describeRoute(const RouteChange& route) {
  return formatAddress(route.destination) + "/" + std::to_string(route.prefixLength) + " via " +
         formatAddress(route.gateway) + " if " + std::to_string(route.interfaceIndex) + " metric " +
         std::to_string(route.metric);
}

}  // namespace kestro::relay
