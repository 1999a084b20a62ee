// The stand-in of the service's tunnel library: the export "starttunnel" with
// the client's calling convention, its certificate and key checks, and its
// settings file, all in the folder the library was loaded from.
#include <windows.h>

#include <cstdint>
#include <string>
#include <type_traits>

#include "accel/tunnel_interface.h"
#include "app/deployment.h"
#include "app/window_messages.h"
#include "standins/tunnel_library/tunnel_session_win.h"

namespace {

// Says what this library is to whoever reads its text; the release folder
// check (cmake/release_folder.cmake) refuses a library that says so.
[[gnu::used]] const char kStandInMark[] = "Viadex.dll (development stand-in): sends the user name and password in clear text";

constexpr DWORD kKeyFileSize = 256;

std::string libraryFolder() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&libraryFolder), &self);
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

// 0 when the CA certificate opens and the key file opens, has its size and reads.
int checkKeyMaterial(const std::string& folder) {
  HANDLE certificate = CreateFileA((folder + "ca.crt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
  if (certificate == INVALID_HANDLE_VALUE) return kestro::kTunnelErrorCaCertificate;
  CloseHandle(certificate);

  HANDLE key = CreateFileA((folder + "client.key").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  if (key == INVALID_HANDLE_VALUE) return kestro::kTunnelErrorKeyFileOpen;
  int result = 0;
  LARGE_INTEGER size{};
  char bytes[kKeyFileSize];
  DWORD got = 0;
  if (!GetFileSizeEx(key, &size) || size.QuadPart != kKeyFileSize) {
    result = kestro::kTunnelErrorKeyFileSize;
  } else if (!ReadFile(key, bytes, kKeyFileSize, &got, nullptr) || got != kKeyFileSize) {
    result = kestro::kTunnelErrorKeyFileRead;
  }
  CloseHandle(key);
  return result;
}

std::string iniText(const std::string& file, const char* name, const char* fallback) {
  char value[64] = {};
  GetPrivateProfileStringA("tunnel", name, fallback, value, sizeof(value), file.c_str());
  return value;
}

}  // namespace

extern "C" __declspec(dllexport) int __cdecl starttunnel(void* window, const char* nodeIp, const char* userName,
                                                         const char* password, const char* stopEventName,
                                                         int32_t nodePort) {
  const HWND target = static_cast<HWND>(window);
  const std::string folder = libraryFolder();
  if (const int error = checkKeyMaterial(folder); error != 0) {
    PostMessageA(target, kestro::WM_TUNNEL_ERROR, 0, error);
    return error;
  }
  HANDLE stopEvent = OpenEventA(SYNCHRONIZE, FALSE, stopEventName);
  if (stopEvent == nullptr) return -1;

  const std::string ini = folder + "Viadex.ini";
  viadex::TunnelSettings settings;
  settings.window = target;
  settings.nodeIp = nodeIp;
  settings.nodePort = nodePort;
  settings.userName = userName;
  settings.password = password;
  settings.stopEvent = stopEvent;
  settings.gateway = iniText(ini, "Gateway", "203.0.113.249");
  settings.adapterAddress = iniText(ini, "Address", "203.0.113.250");
  settings.adapterMask = iniText(ini, "Mask", "255.255.255.248");
  settings.connectTimeoutMs = GetPrivateProfileIntA("tunnel", "ConnectTimeoutMs", 20000, ini.c_str());
  settings.silenceTimeoutMs = GetPrivateProfileIntA("tunnel", "SilenceTimeoutMs", 8000, ini.c_str());
  settings.countsFromRelay = !kestro::worldRelayControl().empty();
  viadex::runTunnel(settings);
  CloseHandle(stopEvent);
  return 0;
}

// The export is exactly what the client calls.
static_assert(std::is_same_v<decltype(&starttunnel), kestro::StartTunnelFunction>);
