// The standard open-file dialog through which the user names a game's
// executable. Tests replace the call to answer the dialog themselves.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <optional>
#include <string>

namespace kestro {

using OpenFileCall = BOOL(WINAPI*)(OPENFILENAMEW* request);

struct OpenFileSeam {
  OpenFileCall open;
};

// The call in use; the default is GetOpenFileNameW.
OpenFileSeam& openFileSeam();

// Asks for one "*.exe" file, titled `title`, owned by `owner`: its full path,
// or nothing when the user cancelled.
std::optional<std::wstring> askForExecutable(HWND owner, const std::wstring& title);

}  // namespace kestro
