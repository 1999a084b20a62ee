// The remembered password: ANSI bytes in Base64, nothing more.
#pragma once

#include <string>
#include <string_view>

namespace kestro {

std::wstring encodeStoredPassword(std::wstring_view password);
// Whatever the decoder produces is the result; bad input never fails.
std::wstring decodeStoredPassword(std::wstring_view stored);

}  // namespace kestro
