// Numbers as the wide texts of the node table, formatted the way printf does
// (the table's texts round with printf while scores truncate).
#pragma once

#include <string>

namespace kestro {

// `format` is a printf format with one floating-point conversion, such as "%.0f".
std::wstring formatNumber(const char* format, double value);

}  // namespace kestro
