// The sample page window: shows sample_page.html of a folder through the
// engine's API, with its pictures loaded through the load-data callback.
#pragma once

#include <windows.h>

#include <string>

namespace htmlayout::sample {

// Opens the window (560 x 420 client area) and returns it; `quit_on_close`
// posts WM_QUIT when it is destroyed.
HWND open_sample_window(const std::wstring& folder, bool quit_on_close);

}  // namespace htmlayout::sample
