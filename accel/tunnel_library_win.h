// The tunnel library loaded from the program folder, unloaded when this ends.
#pragma once

#include <windows.h>

#include "accel/tunnel_interface.h"

namespace kestro {

class TunnelLibrary {
 public:
  enum class Load { Loaded, FileMissing, EntryMissing };

  TunnelLibrary() = default;
  ~TunnelLibrary() { unload(); }
  TunnelLibrary(const TunnelLibrary&) = delete;
  TunnelLibrary& operator=(const TunnelLibrary&) = delete;

  // Loads "Viadex.dll" from the current directory (the program folder) and
  // resolves "starttunnel"; a library without it is unloaded at once.
  Load load();
  StartTunnelFunction startTunnel() const { return startTunnel_; }
  void unload();

 private:
  HMODULE module_ = nullptr;
  StartTunnelFunction startTunnel_ = nullptr;
};

}  // namespace kestro
