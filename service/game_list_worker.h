// The game catalogue fetch: game.php for the account's type into `games` of
// the client state. Posts WM_GAME_PROGRESS, then WM_GAME_LIST_READY or
// WM_GAME_FETCH_FAILED to the main window.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestro {

// The percentage shown while adding element `index` of `count`:
// the integer part of 15 + index x (85 / count).
int32_t gameProgressPercent(size_t index, size_t count);

void runGameListWorker();
void startGameListWorker();

}  // namespace kestro
