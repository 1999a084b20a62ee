#include <windows.h>

#include "base/text_convert.h"

namespace kestro {

std::string toAnsi(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string out(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), size, out.data(), needed, nullptr, nullptr);
  return out;
}

std::wstring fromAnsi(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(CP_THREAD_ACP, 0, bytes.data(), size, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring out(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(CP_THREAD_ACP, 0, bytes.data(), size, out.data(), needed);
  return out;
}

}  // namespace kestro
