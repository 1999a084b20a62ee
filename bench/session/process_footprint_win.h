// What one process of this prefix takes, read from outside it: what Windows
// calls answer for another process (OpenProcess, GetProcessMemoryInfo,
// GetProcessHandleCount, GetGuiResources, GetProcessTimes) beside what Linux
// shows of the same process under Wine (/proc/<unix pid>), and what Wine
// keeps where another process can read it: the system's handle list, the
// process's committed memory (VirtualQueryEx), the GDI handle table its PEB
// points to, and its windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/unique_handle_win.h"

namespace kestro::bench {

struct Footprint {
  // Windows' answers; 0 where the call failed or Wine answered nothing.
  uint64_t privateBytes = 0;  // PROCESS_MEMORY_COUNTERS_EX::PrivateUsage
  uint64_t workingSet = 0;
  uint32_t handles = 0;  // GetProcessHandleCount
  uint32_t gdiObjects = 0;
  uint32_t userObjects = 0;  // GetGuiResources
  double cpuSeconds = 0;     // GetProcessTimes, kernel and user
  // Linux's view of the same process.
  uint64_t vmRss = 0;
  uint64_t vmData = 0;
  uint32_t fds = 0;
  double linuxCpuSeconds = 0;  // utime and stime of /proc/<pid>/stat
  uint32_t threads = 0;
  uint64_t linuxPrivate = 0;  // Private_Clean and Private_Dirty of smaps_rollup: resident, this process's alone
  // Wine's own records of the process.
  uint64_t committedPrivate = 0;  // VirtualQueryEx: committed MEM_PRIVATE, what Windows counts as private bytes
  uint64_t committedImage = 0;    // committed MEM_IMAGE: the program's and the system's modules
  uint64_t threadStacks = 0;      // its threads' stacks and Wine's areas beside them, committed whole
  uint32_t systemHandles = 0;     // its entries in NtQuerySystemInformation's handle list
  uint32_t gdiTableObjects = 0;   // the PEB's GDI handle table, stock objects left out
  uint32_t windows = 0;           // its windows, top-level and child, shown or not
};

class ProcessWatch {
 public:
  // The process of that Windows id, and its Linux id (0: the /proc figures stay 0).
  ProcessWatch(DWORD processId, int unixPid);
  bool opened() const { return static_cast<bool>(process_); }
  DWORD id() const { return id_; }
  int unixPid() const { return unixPid_; }
  HANDLE handle() const { return process_.get(); }
  Footprint sample() const;

 private:
  DWORD id_;
  int unixPid_;
  UniqueHandle process_;
};

// The Linux id of the Wine process whose command line names `exeName` in a
// folder whose path holds `folderPart`; 0 when there is none.
int unixPidOf(const std::string& folderPart, const std::string& exeName);

// The CPU seconds Linux counted for each thread of that process so far, one
// line each: "<thread id> <seconds>" (the first is the main, the UI thread).
std::string threadCpuSeconds(int unixPid);

// Seconds since the process was created, by Windows' creation time; negative when unknown.
double secondsSinceCreation(HANDLE process);

}  // namespace kestro::bench
