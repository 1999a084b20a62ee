#include "tests/support/wine_host_win.h"

#include <vector>

namespace kestro::test {

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
  const ULONGLONG deadline = GetTickCount64() + ms;
  do {
    if (HWND window = FindWindowW(className, nullptr)) return window;
    Sleep(50);
  } while (GetTickCount64() < deadline);
  return nullptr;
}

}  // namespace kestro::test
