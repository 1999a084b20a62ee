// Opening a web page or starting a program through the shell. Tests replace
// the call to see what the windows open without starting a browser.
#pragma once

#include <windows.h>

#include <string>

namespace kestro {

// `verb` null means the file's default verb.
using ShellOpenCall = HINSTANCE (*)(HWND owner, const wchar_t* verb, const wchar_t* file, int show);
// Starts a program in its own folder as the desktop's user; false when it could not.
using DesktopStartCall = bool (*)(const wchar_t* program);

struct ShellSeam {
  ShellOpenCall open;
  DesktopStartCall startAsDesktopUser;
};

// The calls in use; the defaults are ShellExecuteW and startAsDesktopUser.
ShellSeam& shellSeam();

void shellOpen(HWND owner, const wchar_t* verb, const std::wstring& file);

// Starts `program` (in its own folder) with the token of the desktop's shell,
// so that it does not inherit this program's administrator rights: the path
// comes from the user's own settings key, which any program of the user may
// write. False when there is no shell, or its token cannot be had or used.
bool startAsDesktopUser(const wchar_t* program);

// A game: as the desktop's user where the system allows it, else through the shell.
void startGame(HWND owner, const std::wstring& program);

}  // namespace kestro
