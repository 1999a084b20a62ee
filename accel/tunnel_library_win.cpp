#include "accel/tunnel_library_win.h"

#include <string>

#include "app/program_folder_win.h"

namespace kestro {

// The service's library is a 32-bit DLL taking six 32-bit arguments: only a
// 32-bit program can load it.
// The 64-bit tree exists only to run the tests where 32-bit code cannot run,
// with a stand-in library built alongside (cmake/mingw-w64-x86_64.cmake).
#ifndef _WIN64
static_assert(sizeof(void*) == 4 && sizeof(HWND) == 4 && sizeof(int32_t) == 4,
              "the tunnel library is loaded by a 32-bit program");
#endif

TunnelLibrary::Load TunnelLibrary::load() {
  unload();
  // The program folder's full path keeps the system from searching elsewhere
  // for the library, whatever the current directory has become.
  const std::wstring folder = programFolder();
  if (folder.empty()) return Load::FileMissing;
  const std::wstring path = folder + kTunnelLibraryFile;
  module_ = LoadLibraryW(path.c_str());
  if (module_ == nullptr) return Load::FileMissing;
  startTunnel_ = reinterpret_cast<StartTunnelFunction>(
      reinterpret_cast<void*>(GetProcAddress(module_, kStartTunnelExport)));
  if (startTunnel_ == nullptr) {
    unload();
    return Load::EntryMissing;
  }
  return Load::Loaded;
}

void TunnelLibrary::unload() {
  startTunnel_ = nullptr;
  if (module_ != nullptr) {
    FreeLibrary(module_);
    module_ = nullptr;
  }
}

}  // namespace kestro
