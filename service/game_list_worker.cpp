#include "service/game_list_worker.h"

namespace kestro {

int32_t gameProgressPercent(size_t index, size_t count) {
  if (count == 0) return 15;
  // Whole-number arithmetic gives the exact integer part of 15 + index x 85 / count.
  return static_cast<int32_t>(15 + (static_cast<uint64_t>(index) * 85) / count);
}

std::map<int32_t, GameRecord> readGames(const ServiceReply& reply,
                                        const std::function<void(size_t, size_t, const GameRecord&)>& adding) {
  std::map<int32_t, GameRecord> games;
  const size_t count = reply.size();
  for (size_t i = 0; i < count; ++i) {
    const JsonObjectReader element = reply.element(i);
    GameRecord game;
    game.id = element.integer("id");
    game.portId = element.integer("gameportid");
    game.name = element.text("gamename");
    game.pyName = element.text("pyname");
    game.enName = element.text("enname");
    game.url = element.text("url");
    game.vendor = element.text("vendor");
    adding(i, count, game);
    games.emplace(game.id, std::move(game));
  }
  return games;
}

}  // namespace kestro
