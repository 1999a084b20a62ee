// The process scans of the diagnosis over Tool Help snapshots: running programs
// of a known-program table, and the driver firewall.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "diag/known_programs.h"

namespace kestro {

// The Tool Help calls the scans make, as a table that tests replace to script a
// process list. By default every entry is the real function. Replace entries
// only while no scan runs.
struct ProcessSnapshotFunctions {
  decltype(&::CreateToolhelp32Snapshot) createSnapshot = &::CreateToolhelp32Snapshot;
  decltype(&::Process32FirstW) firstProcess = &::Process32FirstW;
  decltype(&::Process32NextW) nextProcess = &::Process32NextW;
  decltype(&::CloseHandle) closeSnapshot = &::CloseHandle;
};

// The table in use, shared by every thread of the process.
ProcessSnapshotFunctions& processSnapshotFunctions();

// A snapshot of every process (TH32CS_SNAPPROCESS, process id 0);
// INVALID_HANDLE_VALUE when it cannot be taken.
HANDLE takeProcessSnapshot();

// Clears `listing` and `found`, then lists every running process whose file
// name is a key of `table`, in snapshot order, one "display name<TAB>file
// name<CR><LF>" line per process. False when no snapshot could be taken or its
// first entry could not be read.
bool findRunningPrograms(const ProgramTable& table, std::wstring& listing, bool& found);

// Sets `found` (cleared by the caller) when "drvanti.exe" runs, in any letter
// case. Takes over `snapshot` and closes it. False when its first entry cannot be read.
bool detectDriverFirewall(HANDLE snapshot, bool& found);

}  // namespace kestro
