#include "ui/host/shell_open_win.h"

#include <shellapi.h>

#include <string>

#include "base/unique_handle_win.h"

namespace kestro {

namespace {

HINSTANCE systemShellOpen(HWND owner, const wchar_t* verb, const wchar_t* file, int show) {
  return ShellExecuteW(owner, verb, file, nullptr, nullptr, show);
}

}  // namespace

ShellSeam& shellSeam() {
  static ShellSeam seam{&systemShellOpen, &startAsDesktopUser};
  return seam;
}

void shellOpen(HWND owner, const wchar_t* verb, const std::wstring& file) {
  shellSeam().open(owner, verb, file.c_str(), SW_SHOWNORMAL);
}

bool startAsDesktopUser(const wchar_t* program) {
  const HWND shell = GetShellWindow();
  DWORD shellProcess = 0;
  if (shell == nullptr || GetWindowThreadProcessId(shell, &shellProcess) == 0) return false;
  const UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, shellProcess));
  UniqueHandle shellToken;
  if (!process || !OpenProcessToken(process.get(), TOKEN_DUPLICATE, shellToken.receive())) return false;
  UniqueHandle token;
  if (!DuplicateTokenEx(shellToken.get(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT |
                                              TOKEN_ADJUST_SESSIONID,
                        nullptr, SecurityImpersonation, TokenPrimary, token.receive())) {
    return false;
  }
  // Games expect their own folder as the current one, as their shortcuts give it.
  std::wstring folder = program;
  folder.resize(folder.find_last_of(L"\\/") == std::wstring::npos ? 0 : folder.find_last_of(L"\\/"));
  std::wstring commandLine = L"\"" + std::wstring(program) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (!CreateProcessWithTokenW(token.get(), 0, program, commandLine.data(), 0, nullptr,
                               folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
    return false;
  }
  const UniqueHandle thread(started.hThread);
  const UniqueHandle child(started.hProcess);
  return true;
}

void startGame(HWND owner, const std::wstring& program) {
  if (shellSeam().startAsDesktopUser(program.c_str())) return;
  shellOpen(owner, nullptr, program);
}

}  // namespace kestro
