// The program folder: where the executable lies, with its trailing backslash.
// The service's components (the tunnel library, the driver tool) are loaded
// and run from there by full path, whatever the current directory has become
// (an open-file dialog may change it).
#pragma once

#include <string>

namespace kestro {

std::wstring programFolder();
// Tests put another folder in its place; empty means the executable's.
std::wstring& programFolderOverride();

}  // namespace kestro
