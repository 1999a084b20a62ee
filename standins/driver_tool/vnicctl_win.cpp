// Stand-in of the service's driver tool, Vnicctl.exe:
//   Vnicctl.exe install <inf> <hardware id>   registers one virtual adapter
//   Vnicctl.exe remove <hardware id>          deletes every adapter of that id
// An adapter is a numbered subkey of the network adapter class key with
// "ComponentId" and a fresh "NetCfgInstanceId", plus its TCP/IP interface key.
// KESTRO_VNICCTL_CHATTER=<n> adds n bytes of chatter after the result, as a
// verbose tool would print.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Says what this tool is to whoever reads its text; the release folder check
// (cmake/release_folder.cmake) refuses a tool that says so.
[[gnu::used]] const char kStandInMark[] = "Vnicctl.exe (development stand-in): registers a fake adapter";

constexpr wchar_t kClassKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002BE10318}";
constexpr wchar_t kInterfacesKey[] = L"SYSTEM\\CurrentControlSet\\services\\Tcpip\\Parameters\\Interfaces\\";

struct Adapter {
  std::wstring subkey;
  std::wstring componentId;
  std::wstring instanceId;
};

std::wstring readText(HKEY key, const wchar_t* name) {
  wchar_t value[260] = {};
  DWORD size = sizeof(value) - sizeof(wchar_t);
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  return value;
}

void writeText(HKEY key, const wchar_t* name, const std::wstring& value) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::vector<Adapter> listAdapters(HKEY classKey) {
  std::vector<Adapter> adapters;
  for (DWORD index = 0;; ++index) {
    wchar_t name[260];
    DWORD length = 260;
    const LONG result = RegEnumKeyExW(classKey, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) continue;
    HKEY adapterKey = nullptr;
    if (RegOpenKeyExW(classKey, name, 0, KEY_READ, &adapterKey) != ERROR_SUCCESS) continue;
    adapters.push_back({name, readText(adapterKey, L"ComponentId"), readText(adapterKey, L"NetCfgInstanceId")});
    RegCloseKey(adapterKey);
  }
  return adapters;
}

void chatter() {
  const char* bytes = std::getenv("KESTRO_VNICCTL_CHATTER");
  // 64 bytes a line.
  constexpr char kLine[] = "Vnicctl: checking device node state and class filters .........\n";
  for (long left = bytes ? std::atol(bytes) : 0; left > 0; left -= sizeof(kLine) - 1) std::fputs(kLine, stdout);
}

int install(const std::wstring& inf, const std::wstring& hardwareId) {
  if (GetFileAttributesW(inf.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::printf("Vnicctl failed: cannot open %ls\n", inf.c_str());
    return 2;
  }
  HKEY classKey = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kClassKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &classKey, nullptr) !=
      ERROR_SUCCESS) {
    std::printf("Vnicctl failed: access to the network adapter class denied\n");
    return 2;
  }
  std::vector<Adapter> adapters = listAdapters(classKey);
  wchar_t subkey[8];
  for (int number = 0;; ++number) {
    std::swprintf(subkey, 8, L"%04d", number);
    bool used = false;
    for (const Adapter& adapter : adapters) used = used || adapter.subkey == subkey;
    if (!used) break;
  }
  GUID guid;
  CoCreateGuid(&guid);
  wchar_t instanceId[64];
  StringFromGUID2(guid, instanceId, 64);

  HKEY adapterKey = nullptr;
  RegCreateKeyExW(classKey, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &adapterKey, nullptr);
  writeText(adapterKey, L"ComponentId", hardwareId);
  writeText(adapterKey, L"NetCfgInstanceId", instanceId);
  writeText(adapterKey, L"DriverDesc", L"Kestro Virtual Network Adapter");
  RegCloseKey(adapterKey);
  RegCloseKey(classKey);

  HKEY interfaceKey = nullptr;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kInterfacesKey) + instanceId).c_str(), 0, nullptr, 0,
                  KEY_ALL_ACCESS, nullptr, &interfaceKey, nullptr);
  RegCloseKey(interfaceKey);

  std::printf("Device node created. Install is complete when drivers are installed...\n");
  std::printf("Updating drivers for %ls from %ls.\n", hardwareId.c_str(), inf.c_str());
  std::printf("Drivers installed successfully.\n");
  chatter();
  return 0;
}

int remove(const std::wstring& hardwareId) {
  HKEY classKey = nullptr;
  int removed = 0;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClassKey, 0, KEY_ALL_ACCESS, &classKey) == ERROR_SUCCESS) {
    for (const Adapter& adapter : listAdapters(classKey)) {
      if (adapter.componentId != hardwareId) continue;
      RegDeleteTreeW(classKey, adapter.subkey.c_str());
      RegDeleteKeyW(classKey, adapter.subkey.c_str());
      if (!adapter.instanceId.empty()) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kInterfacesKey) + adapter.instanceId).c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kInterfacesKey) + adapter.instanceId).c_str());
      }
      std::printf("%ls: Removed\n", adapter.instanceId.c_str());
      ++removed;
    }
    RegCloseKey(classKey);
  }
  if (removed == 0) {
    std::printf("No devices were removed.\n");
  } else {
    std::printf("%d device(s) were removed.\n", removed);
  }
  chatter();
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"install" && argc == 4) return install(argv[2], argv[3]);
  if (command == L"remove" && argc == 3) return remove(argv[2]);
  std::printf("usage: Vnicctl install <inf> <hardware id> | Vnicctl remove <hardware id>\n");
  return 1;
}
