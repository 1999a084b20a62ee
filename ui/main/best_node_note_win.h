// The note beside the choice that names the node measured best for the chosen
// game (its sessions in the settings key); hidden while none was measured.
#pragma once

#include <cstdint>

#include "ui/main/main_window_view.h"

namespace kestro {

void showBestNode(MainWindowView& view, int32_t gameId);

}  // namespace kestro
