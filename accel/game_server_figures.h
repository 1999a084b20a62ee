// The game's servers directly and through the tunnel: which servers stand for
// the game, what their echoes showed on each path, and the texts of the
// traffic view and the notification icon. Platform-free; the echoes come
// from accel/game_server_probe_win.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/route_records.h"
#include "nodes/echo_tally.h"

namespace kestro {

// Four servers: a game's /32 targets are its own servers, and its wider
// targets stand for ranges of them; beyond four the view would need to
// scroll, and each more server adds echoes without telling the user more.
inline constexpr size_t kGameServersProbed = 4;
// Targets wider than this say nothing about one server (a /8 is a provider).
inline constexpr int32_t kWidestProbedPrefix = 16;
// The direct measurement: six echoes a server (each server twice in one run
// of the parallel probe), done within 1.5 s even when a server is silent.
inline constexpr size_t kDirectRounds = 2;
// Through the tunnel: one echo a server every three seconds.
inline constexpr uint32_t kAcceleratedRoundMs = 3000;
// The accelerated figures cover the last 30 echoes (a minute and a half).
inline constexpr size_t kAcceleratedWindow = 30;

// The servers to measure, in the reply's order (the game's targets, then the
// voice application's): the address of a /32 target, the first host of a
// wider one (up to kWidestProbedPrefix); at most kGameServersProbed, without
// repeats, never the tunnel's node (its echoes would not tell the game's
// path) and nothing that no route may take.
std::vector<std::wstring> chooseGameServers(const std::vector<RouteTarget>& targets, const std::wstring& tunnelNode);

// What echoes on one path showed.
struct PathFigures {
  size_t sent = 0;
  size_t answered = 0;
  uint64_t totalMs = 0;  // over the answered echoes

  void add(EchoOutcome outcome);
  // The average of the answered echoes; nothing when none was answered.
  std::optional<uint32_t> averageMs() const;
  // Whole percent of the echoes lost.
  uint32_t lossPercent() const;
};

struct GameServerFigures {
  std::wstring address;
  PathFigures direct;
  std::deque<EchoOutcome> accelerated;  // the last kAcceleratedWindow

  PathFigures acceleratedFigures() const;
};

// Every server of one acceleration, as its echoes arrive.
class GameServerBoard {
 public:
  void begin(const std::vector<std::wstring>& servers);
  bool begun() const { return begun_; }
  void clear() {
    servers_.clear();
    begun_ = false;
  }
  void addDirect(size_t server, std::span<const EchoOutcome> outcomes);
  void addAccelerated(size_t server, std::span<const EchoOutcome> outcomes);
  const std::vector<GameServerFigures>& servers() const { return servers_; }
  // The server the headline and the tip speak of: the first one answered on
  // both paths, else the first answered through the tunnel.
  const GameServerFigures* headline() const;

 private:
  std::vector<GameServerFigures> servers_;
  bool begun_ = false;
};

// "游戏服务器延时：直连 162 毫秒 → 加速 48 毫秒（降低 70%）", or what was
// (not) measured: still measuring, no server to measure, none answering.
std::wstring gameServerHeadline(const GameServerBoard& board);
// One server's line: its address, both paths with their loss and the change.
std::wstring gameServerLine(const GameServerFigures& server);
// The change from direct to accelerated: "（降低 70%）", "（持平）", or
// "（升高 20%，加速路径较慢）" (a server's line, narrower: "（升高 20%，比直连慢）").
enum class ChangeWidth { Headline, Line };
std::wstring changeText(uint32_t directMs, uint32_t acceleratedMs, ChangeWidth width = ChangeWidth::Headline);

}  // namespace kestro
