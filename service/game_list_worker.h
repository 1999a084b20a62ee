// The game catalogue fetch: game.php for the account's type into `games` of
// the client state. Posts WM_GAME_PROGRESS, then WM_GAME_LIST_READY or
// WM_GAME_FETCH_FAILED to the main window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>

#include "app/catalogue_records.h"
#include "service/service_exchange.h"

namespace kestro {

// The most games a game.php reply may list; a longer one fails like a reply
// that is not JSON. Such services list a few thousand games at most; every
// game costs the window a link in its list, and this bound keeps the list,
// the reply and the records within a 32-bit program's memory.
inline constexpr size_t kMaxGames = 20000;

// The percentage shown while adding element `index` of `count`:
// the integer part of 15 + index x (85 / count).
int32_t gameProgressPercent(size_t index, size_t count);

// The games of a game.php reply by id, the first of two equal ids kept;
// `adding(index, count, game)` is called before each is added. A member of
// the wrong type leaves the reply failed (class C) for the caller to check.
std::map<int32_t, GameRecord> readGames(const ServiceReply& reply,
                                        const std::function<void(size_t, size_t, const GameRecord&)>& adding);

void runGameListWorker();
void startGameListWorker();

}  // namespace kestro
