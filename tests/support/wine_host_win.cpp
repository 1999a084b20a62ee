#include "tests/support/wine_host_win.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "tests/support/whole_file.h"

namespace kestro::test {

namespace {

// The folder of the Linux commands' scripts and results, removed (empty) when
// the test program ends; each command's files go as soon as it has been read.
class CommandFolder {
 public:
  // Process ids come round again: the start time keeps a folder left by an
  // ended program (with its result files) from being taken for this one's.
  CommandFolder()
      : path_("/tmp/kestro-tests-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64())) {
    CreateDirectoryW(hostPath(path_).c_str(), nullptr);
  }
  ~CommandFolder() { RemoveDirectoryW(hostPath(path_).c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string scratchFolder() {
  static const CommandFolder folder;
  return folder.path();
}

}  // namespace

std::wstring hostPath(const std::string& linuxPath) {
  std::wstring path = L"Z:";
  for (char c : linuxPath) path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
  return path;
}

std::wstring distFolder() { return hostPath(KESTRO_BINARY_DIR "/dist"); }
std::wstring sourceFolder() { return hostPath(KESTRO_SOURCE_DIR); }

ChildProcess::ChildProcess(const std::wstring& commandLine, const std::wstring& workingFolder) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back(L'\0');
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info_)) {
    info_ = {};
  }
}

ChildProcess::~ChildProcess() {
  if (info_.hProcess == nullptr) return;
  if (running()) {
    TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

bool ChildProcess::running() const {
  return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> ChildProcess::waitForExit(DWORD ms) {
  if (info_.hProcess == nullptr || WaitForSingleObject(info_.hProcess, ms) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

HWND waitForWindow(const wchar_t* className, DWORD ms) {
  HWND found = nullptr;
  waitUntil([&] { return (found = FindWindowW(className, nullptr)) != nullptr; }, ms);
  return found;
}

bool waitUntil(const std::function<bool()>& done, DWORD ms) {
  const ULONGLONG deadline = GetTickCount64() + ms;
  while (!done()) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(50);
  }
  return true;
}

bool pumpMessages(DWORD ms, const std::function<bool()>& done) {
  const ULONGLONG deadline = GetTickCount64() + ms;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done && done()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(5);
  }
}

std::string shellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

int runOnLinux(const std::string& command, std::string* output, DWORD ms) {
  static std::atomic<int> counter{0};
  const std::string base = scratchFolder() + "/run" + std::to_string(counter++);
  {
    for (const char* ending : {".out", ".done"}) DeleteFileW(hostPath(base + ending).c_str());
    std::ofstream script(std::filesystem::path(hostPath(base + ".sh")), std::ios::binary);
    script << "{ " << command << "\n} >" << base << ".out 2>&1\necho $? >" << base << ".tmp\nmv " << base << ".tmp "
           << base << ".done\n";
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  std::wstring line = L"/bin/sh " + std::wstring(base.begin(), base.end()) + L".sh";
  std::vector<wchar_t> mutableLine(line.begin(), line.end());
  mutableLine.push_back(L'\0');
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // Wine gives no exit code of a Linux process: the script leaves its status in a file.
  const std::wstring done = hostPath(base + ".done");
  if (!waitUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, ms)) return -1;
  if (output != nullptr) *output = readWholeFile(hostPath(base + ".out"));
  const int status = std::atoi(readWholeFile(done).c_str());
  for (const char* ending : {".sh", ".out", ".done"}) DeleteFileW(hostPath(base + ending).c_str());
  return status;
}

}  // namespace kestro::test
