#include "service/game_list_worker.h"

namespace kestro {

int32_t gameProgressPercent(size_t index, size_t count) {
  if (count == 0) return 15;
  // Whole-number arithmetic gives the exact integer part of 15 + index x 85 / count.
  return static_cast<int32_t>(15 + (static_cast<uint64_t>(index) * 85) / count);
}

}  // namespace kestro
