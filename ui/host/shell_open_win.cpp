#include "ui/host/shell_open_win.h"

#include <shellapi.h>

namespace kestro {

namespace {

HINSTANCE systemShellOpen(HWND owner, const wchar_t* verb, const wchar_t* file, int show) {
  return ShellExecuteW(owner, verb, file, nullptr, nullptr, show);
}

}  // namespace

ShellSeam& shellSeam() {
  static ShellSeam seam{&systemShellOpen};
  return seam;
}

void shellOpen(HWND owner, const wchar_t* verb, const std::wstring& file) {
  shellSeam().open(owner, verb, file.c_str(), SW_SHOWNORMAL);
}

}  // namespace kestro
