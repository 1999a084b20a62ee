// Base64 with the standard alphabet and '=' padding, as the stored password uses.
#pragma once

#include <string>
#include <string_view>

namespace kestro {

// A CR LF pair follows every 76 output characters, except after the last line.
std::string base64Encode(std::string_view bytes);

// Characters outside the alphabet (CR, LF, '=', anything else) are skipped; a NUL
// byte ends the input. Leftover bits of an incomplete group are dropped.
std::string base64Decode(std::string_view text);

}  // namespace kestro
