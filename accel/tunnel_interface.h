// The boundary with the tunnel library "Viadex.dll": the one export the client
// calls and the error codes the library posts with WM_TUNNEL_ERROR. Any
// component that honours this call and the WM_TUNNEL_* messages of
// app/window_messages.h can take the library's place.
#pragma once

#include <cstdint>

namespace kestro {

inline constexpr wchar_t kTunnelLibraryFile[] = L"Viadex.dll";
inline constexpr char kStartTunnelExport[] = "starttunnel";

// starttunnel(window, nodeIp, userName, password, stopEventName, nodePort):
// the texts are NUL-terminated in the ANSI code page; the window receives every
// report; the stop event (manual reset, created by the caller) is opened by
// name. Blocks for the life of the tunnel; the result is not used.
using StartTunnelFunction = int(__cdecl*)(void* window, const char* nodeIp, const char* userName,
                                          const char* password, const char* stopEventName, int32_t nodePort);

// WM_TUNNEL_INFO kinds (wParam).
inline constexpr int kTunnelInfoGateway = 1;
inline constexpr int kTunnelInfoAdapterAddress = 2;
inline constexpr int kTunnelInfoAdapterMask = 3;

// WM_TUNNEL_ERROR codes (lParam).
inline constexpr int kTunnelErrorCaCertificate = 1;   // the CA certificate file cannot be opened
inline constexpr int kTunnelErrorKeyFileOpen = 2;     // the key file cannot be opened
inline constexpr int kTunnelErrorAuthentication = 3;  // the node refused the user
inline constexpr int kTunnelErrorNoDriver = 4;        // the virtual adapter's driver is not installed
inline constexpr int kTunnelErrorKeyFileRead = 5;     // the key file cannot be read
inline constexpr int kTunnelErrorKeyFileSize = 6;     // the key file has an abnormal size
inline constexpr int kTunnelErrorNoConnection = 7;    // no connection to the node within 20 seconds

}  // namespace kestro
