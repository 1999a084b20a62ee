// The two top-level windows as start-up runs them: each call returns when the
// window has closed.
#pragma once

#include <windows.h>

namespace kestro {

void runLoginWindow(HINSTANCE instance);
void runMainWindow(HINSTANCE instance);

}  // namespace kestro
