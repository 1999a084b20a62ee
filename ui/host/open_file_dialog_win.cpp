#include "ui/host/open_file_dialog_win.h"

namespace kestro {

OpenFileSeam& openFileSeam() {
  static OpenFileSeam seam{&GetOpenFileNameW};
  return seam;
}

std::optional<std::wstring> askForExecutable(HWND owner, const std::wstring& title) {
  // One filter: its name and pattern, each NUL-terminated, then the closing NUL.
  static constexpr wchar_t kFilter[] = L"可执行文件(*.exe)\0*.exe\0";
  wchar_t path[MAX_PATH] = {};
  OPENFILENAMEW request = {};
  request.lStructSize = sizeof(request);
  request.hwndOwner = owner;
  request.lpstrFilter = kFilter;
  request.lpstrFile = path;
  request.nMaxFile = MAX_PATH;
  request.lpstrTitle = title.c_str();
  request.lpstrDefExt = L"exe";
  // The dialog may leave the current directory wherever the user browsed.
  wchar_t current[MAX_PATH] = {};
  const DWORD length = GetCurrentDirectoryW(MAX_PATH, current);
  const bool chosen = openFileSeam().open(&request) != FALSE;
  if (length > 0 && length < MAX_PATH) SetCurrentDirectoryW(current);
  if (!chosen) return std::nullopt;
  return std::wstring(path);
}

}  // namespace kestro
