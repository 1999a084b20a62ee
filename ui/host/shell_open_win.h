// Opening a web page or starting a program through the shell. Tests replace
// the call to see what the windows open without starting a browser.
#pragma once

#include <windows.h>

#include <string>

namespace kestro {

// `verb` null means the file's default verb.
using ShellOpenCall = HINSTANCE (*)(HWND owner, const wchar_t* verb, const wchar_t* file, int show);

struct ShellSeam {
  ShellOpenCall open;
};

// The calls in use; the default is ShellExecuteW.
ShellSeam& shellSeam();

void shellOpen(HWND owner, const wchar_t* verb, const std::wstring& file);

}  // namespace kestro
