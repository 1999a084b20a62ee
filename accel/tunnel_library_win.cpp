#include "accel/tunnel_library_win.h"

#include <string>

namespace kestro {

TunnelLibrary::Load TunnelLibrary::load() {
  unload();
  // An explicit folder keeps the system from searching elsewhere for the library.
  wchar_t folder[MAX_PATH];
  const DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
  if (length == 0 || length >= MAX_PATH) return Load::FileMissing;
  std::wstring path(folder, length);
  if (path.back() != L'\\') path += L'\\';
  path += kTunnelLibraryFile;
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
