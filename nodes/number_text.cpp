#include "nodes/number_text.h"

#include <algorithm>
#include <cstdio>

#include "app/text_convert.h"

namespace kestro {

std::wstring formatNumber(const char* format, double value) {
  char buffer[64];
  const int length = std::snprintf(buffer, sizeof(buffer), format, value);
  if (length < 0) return {};
  return fromUtf8(std::string_view(buffer, std::min<size_t>(static_cast<size_t>(length), sizeof(buffer) - 1)));
}

}  // namespace kestro
