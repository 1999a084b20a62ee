#include <windows.h>

#include "app/entry/startup_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return kestro::runClient(instance); }
