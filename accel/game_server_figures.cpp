#include "accel/game_server_figures.h"

#include <algorithm>

#include "accel/ipv4_text.h"
#include "accel/route_targets.h"

namespace kestro {
namespace {

std::wstring milliseconds(uint32_t ms) { return std::to_wstring(ms) + L" 毫秒"; }

std::wstring lossText(const PathFigures& figures) {
  return L"丢包 " + std::to_wstring(figures.lossPercent()) + L"%";
}

}  // namespace

std::vector<std::wstring> chooseGameServers(const std::vector<RouteTarget>& targets, const std::wstring& tunnelNode) {
  // The route check refuses what must never be probed either: loopback,
  // multicast, broadcast, the whole network, forged masses of targets.
  const RouteTargetCheck check = checkRouteTargets(targets, parseDottedAddress(tunnelNode), std::nullopt);
  const std::optional<uint32_t> node = parseDottedAddress(tunnelNode);
  std::vector<uint32_t> hosts;
  const auto take = [&](uint32_t host) {
    if (hosts.size() < kGameServersProbed && std::find(hosts.begin(), hosts.end(), host) == hosts.end() &&
        (!node || host != hostOrder(*node))) {
      hosts.push_back(host);
    }
  };
  for (const CheckedRouteTarget& target : check.accepted) {
    if (target.prefixLength == 32) {
      take(hostOrder(target.address));
    } else if (target.prefixLength >= kWidestProbedPrefix) {
      take((hostOrder(target.address) & hostOrder(target.mask)) + 1);
    }
  }
  std::vector<std::wstring> servers;
  for (uint32_t host : hosts) servers.push_back(dottedAddressText(networkOrder(host)));
  return servers;
}

void PathFigures::add(EchoOutcome outcome) {
  ++sent;
  if (!outcome.answered) return;
  ++answered;
  totalMs += outcome.roundTripMs;
}

std::optional<uint32_t> PathFigures::averageMs() const {
  if (answered == 0) return std::nullopt;
  return static_cast<uint32_t>((totalMs + answered / 2) / answered);
}

uint32_t PathFigures::lossPercent() const {
  if (sent == 0) return 0;
  return static_cast<uint32_t>(((sent - answered) * 100 + sent / 2) / sent);
}

PathFigures GameServerFigures::acceleratedFigures() const {
  PathFigures figures;
  for (const EchoOutcome& outcome : accelerated) figures.add(outcome);
  return figures;
}

void GameServerBoard::begin(const std::vector<std::wstring>& servers) {
  begun_ = true;
  servers_.clear();
  for (const std::wstring& address : servers) servers_.push_back(GameServerFigures{address, {}, {}});
}

void GameServerBoard::addDirect(size_t server, std::span<const EchoOutcome> outcomes) {
  if (server >= servers_.size()) return;
  for (const EchoOutcome& outcome : outcomes) servers_[server].direct.add(outcome);
}

void GameServerBoard::addAccelerated(size_t server, std::span<const EchoOutcome> outcomes) {
  if (server >= servers_.size()) return;
  std::deque<EchoOutcome>& kept = servers_[server].accelerated;
  for (const EchoOutcome& outcome : outcomes) {
    kept.push_back(outcome);
    if (kept.size() > kAcceleratedWindow) kept.pop_front();
  }
}

const GameServerFigures* GameServerBoard::headline() const {
  const GameServerFigures* answeredThroughTunnel = nullptr;
  for (const GameServerFigures& server : servers_) {
    if (!server.acceleratedFigures().averageMs()) continue;
    if (server.direct.averageMs()) return &server;
    if (answeredThroughTunnel == nullptr) answeredThroughTunnel = &server;
  }
  return answeredThroughTunnel;
}

std::wstring changeText(uint32_t directMs, uint32_t acceleratedMs, ChangeWidth width) {
  if (directMs == 0 || directMs == acceleratedMs) return L"（持平）";
  if (acceleratedMs < directMs) {
    const uint32_t percent = ((directMs - acceleratedMs) * 100 + directMs / 2) / directMs;
    return percent == 0 ? L"（持平）" : L"（降低 " + std::to_wstring(percent) + L"%）";
  }
  const uint32_t percent = ((acceleratedMs - directMs) * 100 + directMs / 2) / directMs;
  if (percent == 0) return L"（持平）";
  return L"（升高 " + std::to_wstring(percent) + (width == ChangeWidth::Headline ? L"%，加速路径较慢）" : L"%，比直连慢）");
}

std::wstring gameServerHeadline(const GameServerBoard& board) {
  constexpr wchar_t kTitle[] = L"游戏服务器延时：";
  if (!board.begun()) return std::wstring(kTitle) + L"正在测量";
  if (board.servers().empty()) return std::wstring(kTitle) + L"本游戏没有可测量的服务器地址";
  const GameServerFigures* server = board.headline();
  if (server == nullptr) {
    const bool silent = std::all_of(board.servers().begin(), board.servers().end(), [](const GameServerFigures& s) {
      return s.direct.sent > 0 && s.direct.answered == 0 && s.accelerated.size() >= 3;
    });
    return std::wstring(kTitle) + (silent ? L"游戏服务器不回应ping，无法测量" : L"正在测量");
  }
  const uint32_t accelerated = *server->acceleratedFigures().averageMs();
  const std::optional<uint32_t> direct = server->direct.averageMs();
  if (!direct) return std::wstring(kTitle) + L"直连无回应 → 加速 " + milliseconds(accelerated);
  return std::wstring(kTitle) + L"直连 " + milliseconds(*direct) + L" → 加速 " + milliseconds(accelerated) +
         changeText(*direct, accelerated);
}

std::wstring gameServerLine(const GameServerFigures& server) {
  const PathFigures accelerated = server.acceleratedFigures();
  const std::optional<uint32_t> direct = server.direct.averageMs();
  const std::optional<uint32_t> through = accelerated.averageMs();
  std::wstring line = server.address + L"　";
  if (server.direct.sent == 0) {
    line += L"直连 正在测量";
  } else if (direct) {
    line += L"直连 " + milliseconds(*direct) + L" " + lossText(server.direct);
  } else {
    line += L"直连无回应";
  }
  line += L" → ";
  if (accelerated.sent == 0) return line + L"加速 正在测量";
  if (!through) return line + L"加速无回应";
  line += L"加速 " + milliseconds(*through) + L" " + lossText(accelerated);
  if (direct) line += changeText(*direct, *through, ChangeWidth::Line);
  return line;
}

}  // namespace kestro
