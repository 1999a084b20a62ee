#include "accel/tcp_tuning_win.h"

#include <windows.h>

#include <initializer_list>

#include "accel/acceleration_texts.h"
#include "app/registry_key_win.h"

namespace kestro {
namespace {

constexpr REGSAM kTcpKeyAccess = 0x2001F;  // read + set value + create subkey

// Writes `wanted` unless the value is a DWORD already holding one of `accepted`.
void ensureDword(const RegistryKey& key, const wchar_t* name, std::initializer_list<DWORD> accepted, DWORD wanted,
                 int32_t& restartNeeded) {
  DWORD current = 0;
  if (key.readDword(name, current)) {
    for (DWORD value : accepted) {
      if (current == value) return;
    }
  }
  key.writeDword(name, wanted);  // a failed write shows up again on the next run
  restartNeeded = 1;
}

}  // namespace

bool tuneTcpParameters(const std::vector<std::wstring>& adapters, std::wstring& message, int32_t& restartNeeded) {
  {
    RegistryKey parameters;
    if (RegistryKey::open(HKEY_LOCAL_MACHINE, kTcpParametersKey, kTcpKeyAccess, parameters) != ERROR_SUCCESS) {
      message = acctext::kTcpKeyUnavailable;
      return false;
    }
    ensureDword(parameters, L"Tcp1323Opts", {1, 3}, 1, restartNeeded);
  }
  if (adapters.empty()) {
    message = acctext::kNoUsableAdapter;
    return false;
  }
  for (const std::wstring& instanceId : adapters) {
    const std::wstring path = kTcpInterfacesKey + instanceId;
    RegistryKey interfaceKey;
    if (RegistryKey::open(HKEY_LOCAL_MACHINE, path.c_str(), kTcpKeyAccess, interfaceKey) != ERROR_SUCCESS) {
      message = acctext::kTcpKeyUnavailable;
      return false;
    }
    ensureDword(interfaceKey, L"TcpAckFrequency", {1}, 1, restartNeeded);
    ensureDword(interfaceKey, L"TCPInitialRtt", {300}, 300, restartNeeded);
  }
  return true;
}

}  // namespace kestro
