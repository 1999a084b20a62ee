// Makes three TCP/IP settings hold the values the acceleration uses: window
// scaling on, and on every virtual adapter delayed acknowledgements off and an
// initial retransmission time-out of 300 ms. Writes only what differs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestro {

inline constexpr wchar_t kTcpParametersKey[] = L"SYSTEM\\CurrentControlSet\\services\\Tcpip\\Parameters";
inline constexpr wchar_t kTcpInterfacesKey[] = L"SYSTEM\\CurrentControlSet\\services\\Tcpip\\Parameters\\Interfaces\\";

// `adapters` are the instance ids of the virtual adapters. `restartNeeded` is
// set to 1 when any value was written (the caller starts it at 0). On failure
// `message` holds the reason; values written before the failure stay written.
bool tuneTcpParameters(const std::vector<std::wstring>& adapters, std::wstring& message, int32_t& restartNeeded);

}  // namespace kestro
