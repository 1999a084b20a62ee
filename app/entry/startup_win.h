// The program's start-up: one instance, in its own folder, login then main window.
#pragma once

#include <windows.h>

namespace kestro {

// The module instance handle given to the entry point; windows load icons and
// register classes with it.
HINSTANCE programInstance();

// Stores in `isWow64` whether this process runs under WOW64 (0 when the
// system has no IsWow64Process).
void probeWow64();

// Makes the executable's folder the current directory; every relative path of
// the program (tunnel library, driver folder, tools) rests on it.
bool enterProgramFolder();

// The ten start-up steps. Returns the process exit code, 0 in every case.
int runClient(HINSTANCE instance);

}  // namespace kestro
