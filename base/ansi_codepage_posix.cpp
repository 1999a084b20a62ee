// Natively the ANSI code page is UTF-8.
#include "base/text_convert.h"

namespace kestro {

std::string toAnsi(std::wstring_view text) { return toUtf8(text); }
std::wstring fromAnsi(std::string_view bytes) { return fromUtf8(bytes); }

}  // namespace kestro
