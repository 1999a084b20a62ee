// The DPI a window is shown at: its monitor's, for a per-monitor aware
// program (Windows 10 1607 and later, and Wine); the system's elsewhere.
#pragma once

#include <windows.h>

#include "htmlayout/display_scale.h"

namespace htmlayout {

display_scale window_scale(HWND window);

}  // namespace htmlayout
