// What the progress table says for each error code the tunnel library posts
// with WM_TUNNEL_ERROR.
#pragma once

#include <cstdint>
#include <string>

namespace kestro {

// The text for `code` (1 to 7); empty for any other code.
std::wstring tunnelErrorText(int32_t code);

// Shown when the tunnel ended while its step still ran and no error came.
inline constexpr wchar_t kTunnelEndedUnexpectedly[] = L"发生异常错误，请重试，如多次重试依旧请联系在线客服";

}  // namespace kestro
