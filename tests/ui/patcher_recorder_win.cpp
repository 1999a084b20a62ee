// Copied into a test folder as Patcher.exe: writes "patcher-started.txt" beside
// itself, so a test sees that the login window started it.
#include <windows.h>

#include <string>

int wmain() {
  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring note(module);
  note.resize(note.rfind(L'\\') + 1);
  note += L"patcher-started.txt";
  HANDLE file = CreateFileW(note.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, "started", 7, &written, nullptr);
  CloseHandle(file);
  return 0;
}
