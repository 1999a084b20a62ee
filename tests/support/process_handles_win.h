// The handles a process holds, as the system's handle list shows them. Under
// Wine, GetProcessHandleCount answers 0 for every process; the list does not.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kestro::test {

// The values of the handles the process of that id holds.
std::vector<USHORT> systemHandles(DWORD processId);

// Those handles by kind, as the system names the kinds, a named event with
// its name: "Event 12 Event(KestroAcc12) Key 7 Thread 3".
std::string systemHandleKinds(DWORD processId);

}  // namespace kestro::test
