#include "app/program_folder_win.h"

#include <windows.h>

namespace kestro {

std::wstring& programFolderOverride() {
  static std::wstring* folder = new std::wstring;  // never destroyed: workers read it until the end
  return *folder;
}

std::wstring programFolder() {
  std::wstring folder = programFolderOverride();
  if (folder.empty()) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    folder.assign(path, length);
    folder.resize(folder.rfind(L'\\') + 1);
  }
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder;
}

}  // namespace kestro
