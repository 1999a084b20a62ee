// The handles a process holds, as the system's handle list shows them. Under
// Wine, GetProcessHandleCount answers 0 for every process; the list does not.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace kestro::test {

// The values of the handles the process of that id holds.
std::vector<USHORT> systemHandles(DWORD processId);

// Those handles by kind, as the system names the kinds, a named event with
// its name: "Event 12 Event(KestroAcc12) Key 7 Thread 3".
std::string systemHandleKinds(DWORD processId);

// How many of them are of that kind ("Event": named ones too).
size_t systemHandleCount(DWORD processId, const std::string& kind);

}  // namespace kestro::test
