#include "tests/support/adapter_registry_win.h"

#include <windows.h>

#include "accel/virtual_adapter_win.h"

namespace kestro::test {

std::vector<RegisteredAdapter> kestroAdapters() {
  std::vector<RegisteredAdapter> found;
  HKEY classKey = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kNetworkAdapterClassKey, 0, KEY_READ, &classKey) != ERROR_SUCCESS) return found;
  for (DWORD index = 0;; ++index) {
    wchar_t name[260];
    DWORD length = 260;
    const LONG result = RegEnumKeyExW(classKey, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) continue;
    wchar_t component[260] = {}, instance[260] = {};
    DWORD componentSize = sizeof(component) - sizeof(wchar_t), instanceSize = sizeof(instance) - sizeof(wchar_t);
    RegGetValueW(classKey, name, L"ComponentId", RRF_RT_REG_SZ, nullptr, component, &componentSize);
    RegGetValueW(classKey, name, L"NetCfgInstanceId", RRF_RT_REG_SZ, nullptr, instance, &instanceSize);
    if (_wcsicmp(component, L"kestro") == 0) found.push_back({name, instance});
  }
  RegCloseKey(classKey);
  return found;
}

}  // namespace kestro::test
