// The one place where text changes encoding. Inside the program text is wide
// (UTF-16 on Windows); forms and JSON carry UTF-8; the tunnel library, the
// tools' output and the stored password use the thread's ANSI code page.
// In the native build the "ANSI code page" is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace kestro {

// Malformed UTF-8 becomes U+FFFD; a lone surrogate becomes U+FFFD in UTF-8.
std::string toUtf8(std::wstring_view text);
std::wstring fromUtf8(std::string_view bytes);

// Characters the code page cannot hold become its default character.
std::string toAnsi(std::wstring_view text);
std::wstring fromAnsi(std::string_view bytes);

}  // namespace kestro
