// Copies of the sleeper program started under the names of known programs, so
// that the real process scans have something to find. Header-only: the test
// folder's sources are its *_test.cpp files.
#pragma once

#include <windows.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/support/wine_host_win.h"

namespace kestro::test {

class RunningCopies {
 public:
  // Starts one copy per name (a name given twice runs twice) and waits until
  // each one runs.
  explicit RunningCopies(const std::vector<std::wstring>& names) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"kestro-diag-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder_.c_str(), nullptr);
    const std::wstring sleeper = hostPath(KESTRO_BINARY_DIR "/tests/diag/diag_test_sleeper.exe");
    for (const std::wstring& name : std::set<std::wstring>(names.begin(), names.end())) {
      const std::wstring file = folder_ + L"\\" + name;
      if (CopyFileW(sleeper.c_str(), file.c_str(), FALSE)) files_.push_back(file);
    }
    for (const std::wstring& name : names) {
      const std::wstring eventName = L"KestroDiagSleeper-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                     std::to_wstring(children_.size());
      HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
      children_.push_back(
          std::make_unique<ChildProcess>(L"\"" + folder_ + L"\\" + name + L"\" " + eventName, folder_));
      running_ = running_ && children_.back()->started() && WaitForSingleObject(ready, 20000) == WAIT_OBJECT_0;
      CloseHandle(ready);
    }
  }

  ~RunningCopies() {
    children_.clear();  // each ends its process
    for (const std::wstring& file : files_) DeleteFileW(file.c_str());
    RemoveDirectoryW(folder_.c_str());
  }
  RunningCopies(const RunningCopies&) = delete;
  RunningCopies& operator=(const RunningCopies&) = delete;

  bool allRunning() const { return running_; }

 private:
  std::wstring folder_;
  std::vector<std::wstring> files_;
  std::vector<std::unique_ptr<ChildProcess>> children_;
  bool running_ = true;
};

}  // namespace kestro::test
