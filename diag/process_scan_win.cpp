#include "diag/process_scan_win.h"

#include <cwchar>
#include <string_view>

namespace kestro {
namespace {

class SnapshotOwner {
 public:
  explicit SnapshotOwner(HANDLE snapshot) : snapshot_(snapshot) {}
  ~SnapshotOwner() {
    if (valid()) processSnapshotFunctions().closeSnapshot(snapshot_);
  }
  SnapshotOwner(const SnapshotOwner&) = delete;
  SnapshotOwner& operator=(const SnapshotOwner&) = delete;

  bool valid() const { return snapshot_ != INVALID_HANDLE_VALUE && snapshot_ != nullptr; }
  HANDLE get() const { return snapshot_; }

 private:
  HANDLE snapshot_;
};

// Calls `visit` with the executable name of every entry; false when the first
// entry cannot be read.
template <typename Visit>
bool walkProcesses(const SnapshotOwner& snapshot, Visit&& visit) {
  const ProcessSnapshotFunctions& calls = processSnapshotFunctions();
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  if (!calls.firstProcess(snapshot.get(), &entry)) return false;
  do {
    visit(std::wstring_view(entry.szExeFile, wcsnlen(entry.szExeFile, MAX_PATH)));
  } while (calls.nextProcess(snapshot.get(), &entry));
  return true;
}

}  // namespace

ProcessSnapshotFunctions& processSnapshotFunctions() {
  // Never destroyed: detached workers may still use it while the process exits.
  static ProcessSnapshotFunctions* functions = new ProcessSnapshotFunctions;
  return *functions;
}

HANDLE takeProcessSnapshot() { return processSnapshotFunctions().createSnapshot(TH32CS_SNAPPROCESS, 0); }

bool findRunningPrograms(const ProgramTable& table, std::wstring& listing, bool& found) {
  listing.clear();
  found = false;
  const SnapshotOwner snapshot(takeProcessSnapshot());
  if (!snapshot.valid()) return false;
  return walkProcesses(snapshot, [&](std::wstring_view executable) {
    noteRunningProgram(table, executable, listing, found);
  });
}

bool detectDriverFirewall(HANDLE snapshot, bool& found) {
  const SnapshotOwner owner(snapshot);
  if (!owner.valid()) return false;
  return walkProcesses(owner, [&](std::wstring_view executable) {
    if (isDriverFirewall(executable)) found = true;
  });
}

}  // namespace kestro
