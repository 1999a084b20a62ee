// Test helpers for programs that run under Wine: the build tree's paths as
// Windows paths, child processes that are always ended, and commands run on
// the Linux side.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace kestro::test {

// A Linux absolute path as Wine's Z: drive shows it.
std::wstring hostPath(const std::string& linuxPath);
// The program folder the build lays out (build/<tree>/dist).
std::wstring distFolder();
std::wstring sourceFolder();

class ChildProcess {
 public:
  // Starts `commandLine` in `workingFolder` (empty: inherit). Check running().
  ChildProcess(const std::wstring& commandLine, const std::wstring& workingFolder);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return info_.hProcess != nullptr; }
  bool running() const;
  // The exit code, or nothing when the process did not end within `ms`.
  std::optional<DWORD> waitForExit(DWORD ms);
  DWORD id() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_{};
};

// Polls for a top-level window of `className` for at most `ms`.
HWND waitForWindow(const wchar_t* className, DWORD ms);

// Polls `done` every 50 ms for at most `ms`.
bool waitUntil(const std::function<bool()>& done, DWORD ms);
// Handles this thread's window messages until `done` holds or `ms` have
// passed; whether `done` held (without a `done`: for the whole `ms`).
bool pumpMessages(DWORD ms, const std::function<bool()>& done = {});

// Runs a shell command line on the Linux side and waits for it; returns its
// exit status (-1 when it did not finish within `ms`). Its output lands in `output`.
int runOnLinux(const std::string& command, std::string* output = nullptr, DWORD ms = 30000);
// `text` as one word of such a command line.
std::string shellQuoted(const std::string& text);

}  // namespace kestro::test
