#include "bench/session/process_footprint_win.h"

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "tests/support/process_handles_win.h"
#include "tests/support/wine_host_win.h"

namespace kestro::bench {
namespace {

using test::runOnLinux;

double seconds(const FILETIME& time) {
  ULARGE_INTEGER value{{time.dwLowDateTime, time.dwHighDateTime}};
  return static_cast<double>(value.QuadPart) / 1e7;
}

// Wine's GDI handle table (GDI_HANDLE_ENTRY): the object, its owner, the
// unique word whose low byte holds the stock flag (bit 7), the type (0: free).
constexpr size_t kGdiEntrySize = 24;
constexpr size_t kGdiUniqueOffset = 12;
constexpr size_t kGdiTypeOffset = 14;
constexpr size_t kGdiEntries = 0x10000;
// PEB::GdiSharedHandleTable of a process of this program's width, and of
// the 64-bit PEB that Wine keeps one page below a 32-bit process's own in a
// 64-bit prefix, where it puts the table of such a process.
constexpr size_t kPebGdiTableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;
constexpr size_t kPeb64GdiTableOffset = 0xF8;
constexpr size_t kPeb64Below = 0x1000;

const char* gdiTable(HANDLE process) {
  PROCESS_BASIC_INFORMATION basic{};
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
      basic.PebBaseAddress == nullptr) {
    return nullptr;
  }
  const auto* peb = reinterpret_cast<const char*>(basic.PebBaseAddress);
  const char* table = nullptr;
  if (ReadProcessMemory(process, peb + kPebGdiTableOffset, &table, sizeof table, nullptr) && table != nullptr) {
    return table;
  }
  uint64_t wide = 0;
  if (sizeof(void*) == 4 &&
      ReadProcessMemory(process, peb - kPeb64Below + kPeb64GdiTableOffset, &wide, sizeof wide, nullptr)) {
    return reinterpret_cast<const char*>(static_cast<uintptr_t>(wide));
  }
  return nullptr;
}

uint32_t gdiTableObjects(HANDLE process) {
  const char* table = gdiTable(process);
  if (table == nullptr) return 0;
  // Read in pieces: the part of the table never used may not be committed.
  constexpr size_t kPiece = 4096;
  std::vector<unsigned char> entries(kPiece * kGdiEntrySize);
  uint32_t live = 0;
  for (size_t first = 0; first < kGdiEntries; first += kPiece) {
    if (!ReadProcessMemory(process, table + first * kGdiEntrySize, entries.data(), entries.size(), nullptr)) break;
    for (size_t i = 0; i < kPiece; ++i) {
      const unsigned char* entry = entries.data() + i * kGdiEntrySize;
      if (entry[kGdiTypeOffset] != 0 && (entry[kGdiUniqueOffset] & 0x80) == 0) ++live;
    }
  }
  return live;
}

// Committed private and image bytes of the process's address space.
void addCommitted(HANDLE process, Footprint& footprint) {
  MEMORY_BASIC_INFORMATION region;
  const char* at = nullptr;
  while (VirtualQueryEx(process, at, &region, sizeof region) == sizeof region) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) footprint.committedPrivate += region.RegionSize;
    if (region.State == MEM_COMMIT && region.Type == MEM_IMAGE) footprint.committedImage += region.RegionSize;
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
}

// The committed bytes of the allocation whose first address is `start`.
uint64_t committedAllocation(HANDLE process, const char* start) {
  uint64_t committed = 0;
  MEMORY_BASIC_INFORMATION region;
  for (const char* at = start; VirtualQueryEx(process, at, &region, sizeof region) == sizeof region &&
                               region.AllocationBase == start;
       at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT) committed += region.RegionSize;
  }
  return committed;
}

// What each thread of `process` holds in committed private memory under
// Wine: its stack reservation, from its TEB (NT_TIB::StackBase down to
// DeallocationStack), and the 1 MB areas Wine places on each side of it
// for the thread (Windows keeps a thread's kernel stack out of the process).
uint64_t threadStacks(HANDLE process, DWORD processId) {
  constexpr uint64_t kWineThreadArea = 0x100000;
  struct BasicInformation {
    NTSTATUS exitStatus;
    PVOID teb;
    CLIENT_ID client;
    ULONG_PTR affinity;
    LONG priority;
    LONG basePriority;
  };
  constexpr size_t kStackBaseOffset = sizeof(void*);  // NT_TIB: ExceptionList, StackBase
  constexpr size_t kDeallocationStackOffset = sizeof(void*) == 8 ? 0x1478 : 0xE0C;
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot) return 0;
  uint64_t total = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID != processId) continue;
    UniqueHandle thread(OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID));
    BasicInformation basic{};
    if (!thread || NtQueryInformationThread(thread.get(), ThreadBasicInformation, &basic, sizeof basic, nullptr) != 0) {
      continue;
    }
    const auto* teb = static_cast<const char*>(basic.teb);
    uintptr_t base = 0, lowest = 0;
    if (!ReadProcessMemory(process, teb + kStackBaseOffset, &base, sizeof base, nullptr) ||
        !ReadProcessMemory(process, teb + kDeallocationStackOffset, &lowest, sizeof lowest, nullptr) ||
        base <= lowest || lowest == 0) {
      continue;
    }
    total += committedAllocation(process, reinterpret_cast<const char*>(lowest));
    MEMORY_BASIC_INFORMATION below{};
    if (VirtualQueryEx(process, reinterpret_cast<const char*>(lowest - 1), &below, sizeof below) == sizeof below) {
      const uint64_t area = committedAllocation(process, static_cast<const char*>(below.AllocationBase));
      if (area <= kWineThreadArea) total += area;
    }
    const uint64_t above = committedAllocation(process, reinterpret_cast<const char*>(base));
    if (above <= kWineThreadArea) total += above;
  }
  return total;
}

struct WindowCount {
  DWORD process;
  uint32_t windows;
};

BOOL CALLBACK countChild(HWND window, LPARAM into) {
  auto& count = *reinterpret_cast<WindowCount*>(into);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == count.process) ++count.windows;
  return TRUE;
}

BOOL CALLBACK countTopLevel(HWND window, LPARAM into) {
  countChild(window, into);
  EnumChildWindows(window, countChild, into);
  return TRUE;
}

uint32_t windowsOf(DWORD process) {
  WindowCount count{process, 0};
  EnumWindows(countTopLevel, reinterpret_cast<LPARAM>(&count));
  // Message-only windows are in no top-level list.
  for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window != nullptr;
       window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
    countChild(window, reinterpret_cast<LPARAM>(&count));
  }
  return count.windows;
}

// The number of a line of /proc/<pid>/status ("VmRSS:	  20480 kB": 20480).
uint64_t statusNumber(const std::string& status, const std::string& field) {
  const size_t at = status.find("\n" + field + ":");
  if (at == std::string::npos) return 0;
  return std::strtoull(status.c_str() + at + field.size() + 2, nullptr, 10);
}

// utime and stime, fields 14 and 15 of /proc/<pid>/stat, counted after the
// command's closing parenthesis (the command may hold spaces).
double statCpuSeconds(const std::string& stat, long ticksPerSecond) {
  const size_t close = stat.rfind(')');
  if (close == std::string::npos || ticksPerSecond <= 0) return 0;
  std::istringstream fields(stat.substr(close + 1));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int number = 3; fields >> field && number <= 15; ++number) {
    if (number == 14) utime = std::strtoull(field.c_str(), nullptr, 10);
    if (number == 15) stime = std::strtoull(field.c_str(), nullptr, 10);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(ticksPerSecond);
}

struct LinuxView {
  std::string status;
  std::string stat;
  uint32_t fds = 0;
  long ticksPerSecond = 0;
};

LinuxView linuxView(int unixPid) {
  LinuxView view;
  const std::string proc = "/proc/" + std::to_string(unixPid);
  std::string output;
  if (runOnLinux("cat " + proc + "/status && grep Private " + proc + "/smaps_rollup && echo '=stat' && cat " + proc +
                     "/stat && echo \"=fds $(ls " + proc + "/fd | wc -l) =hz $(getconf CLK_TCK)\"",
                 &output, 10000) != 0) {
    return view;
  }
  const size_t stat = output.find("=stat\n");
  const size_t fds = output.find("=fds ");
  const size_t hz = output.find("=hz ");
  if (stat == std::string::npos || fds == std::string::npos || hz == std::string::npos) return view;
  view.status = "\n" + output.substr(0, stat);
  view.stat = output.substr(stat + 6, fds - stat - 6);
  view.fds = static_cast<uint32_t>(std::strtoul(output.c_str() + fds + 5, nullptr, 10));
  view.ticksPerSecond = std::strtol(output.c_str() + hz + 4, nullptr, 10);
  return view;
}

}  // namespace

ProcessWatch::ProcessWatch(DWORD processId, int unixPid)
    : id_(processId),
      unixPid_(unixPid),
      process_(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId)) {}

Footprint ProcessWatch::sample() const {
  Footprint footprint;
  if (process_) {
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process_.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
      footprint.privateBytes = memory.PrivateUsage;
      footprint.workingSet = memory.WorkingSetSize;
    }
    DWORD handles = 0;
    if (GetProcessHandleCount(process_.get(), &handles)) footprint.handles = handles;
    footprint.gdiObjects = GetGuiResources(process_.get(), GR_GDIOBJECTS);
    footprint.userObjects = GetGuiResources(process_.get(), GR_USEROBJECTS);
    FILETIME created, exited, kernel, user;
    if (GetProcessTimes(process_.get(), &created, &exited, &kernel, &user)) {
      footprint.cpuSeconds = seconds(kernel) + seconds(user);
    }
    footprint.gdiTableObjects = gdiTableObjects(process_.get());
    addCommitted(process_.get(), footprint);
    footprint.threadStacks = threadStacks(process_.get(), id_);
  }
  footprint.systemHandles = static_cast<uint32_t>(test::systemHandles(id_).size());
  footprint.windows = windowsOf(id_);
  if (unixPid_ > 0) {
    const LinuxView view = linuxView(unixPid_);
    footprint.vmRss = statusNumber(view.status, "VmRSS") * 1024;
    footprint.vmData = statusNumber(view.status, "VmData") * 1024;
    footprint.threads = static_cast<uint32_t>(statusNumber(view.status, "Threads"));
    footprint.linuxPrivate =
        (statusNumber(view.status, "Private_Clean") + statusNumber(view.status, "Private_Dirty")) * 1024;
    footprint.fds = view.fds;
    footprint.linuxCpuSeconds = statCpuSeconds(view.stat, view.ticksPerSecond);
  }
  return footprint;
}

int unixPidOf(const std::string& folderPart, const std::string& exeName) {
  // Another prefix's program may run from the same Windows path: the one
  // sought has this prefix in its environment, as this script has. The
  // processes that end meanwhile say so on stderr, which is dropped.
  std::string output;
  const std::string script =
      "for f in /proc/[0-9]*/cmdline; do d=${f%/cmdline}; "
      "{ [ -z \"$WINEPREFIX\" ] || tr '\\0' '\\n' <$d/environ | grep -q -x -F \"WINEPREFIX=$WINEPREFIX\"; } && "
      "tr '\\0' ' ' <\"$f\" | grep -q -F " + test::shellQuoted(folderPart) +
      " && tr '\\0' ' ' <\"$f\" | grep -q -F " + test::shellQuoted(exeName) + " && echo ${d#/proc/}; done 2>/dev/null; true";
  if (runOnLinux(script, &output, 20000) != 0) return 0;
  return std::atoi(output.c_str());
}

std::string threadCpuSeconds(int unixPid) {
  std::string output;
  const std::string task = "/proc/" + std::to_string(unixPid) + "/task";
  // Fields 14 and 15 of each thread's stat, counted after its name's closing parenthesis.
  runOnLinux("hz=$(getconf CLK_TCK); for t in $(ls " + task + " | sort -n); do sed 's/.*) //' " + task +
                 "/$t/stat | awk -v t=$t -v hz=$hz '{ printf \"%s %.2f\\n\", t, ($12 + $13) / hz }'; done",
             &output, 10000);
  return output;
}

double secondsSinceCreation(HANDLE process) {
  FILETIME created, exited, kernel, user, now;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user) || seconds(created) == 0) return -1;
  GetSystemTimeAsFileTime(&now);
  return seconds(now) - seconds(created);
}

}  // namespace kestro::bench
