#include "app/password_codec.h"

#include "base/base64.h"
#include "base/text_convert.h"

namespace kestro {

std::wstring encodeStoredPassword(std::wstring_view password) {
  return fromAnsi(base64Encode(toAnsi(password)));
}

std::wstring decodeStoredPassword(std::wstring_view stored) {
  std::string bytes = base64Decode(toAnsi(stored));
  // The decoded bytes are a NUL-terminated ANSI text.
  if (const auto nul = bytes.find('\0'); nul != std::string::npos) bytes.resize(nul);
  return fromAnsi(bytes);
}

}  // namespace kestro
