// Numbers as the wide texts of the node table, formatted the way printf does
// (the table's texts round with printf while scores truncate).
#pragma once

#include <cstdint>
#include <string>

namespace kestro {

// `format` is a printf format with one floating-point conversion, such as "%.0f".
std::wstring formatNumber(const char* format, double value);

// `value` truncated toward zero, held at the ends of the 32-bit range (a load
// beyond any sense in a reply must not overflow the conversion); NaN gives 0.
int32_t truncatedToInt32(double value);

}  // namespace kestro
