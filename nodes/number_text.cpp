#include "nodes/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "base/text_convert.h"

namespace kestro {

std::wstring formatNumber(const char* format, double value) {
  char buffer[64];
  const int length = std::snprintf(buffer, sizeof(buffer), format, value);
  if (length < 0) return {};
  return fromUtf8(std::string_view(buffer, std::min<size_t>(static_cast<size_t>(length), sizeof(buffer) - 1)));
}

int32_t truncatedToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483648.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483649.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

}  // namespace kestro
