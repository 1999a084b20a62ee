#include "base/base64.h"

#include <array>
#include <cstdint>

namespace kestro {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kLineLength = 76;

constexpr std::array<int8_t, 256> makeDecodeTable() {
  std::array<int8_t, 256> table{};
  for (auto& v : table) v = -1;
  for (int i = 0; i < 64; ++i) table[static_cast<uint8_t>(kAlphabet[i])] = static_cast<int8_t>(i);
  return table;
}
constexpr auto kDecode = makeDecodeTable();

}  // namespace

std::string base64Encode(std::string_view bytes) {
  std::string plain;
  plain.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t n = (static_cast<uint8_t>(bytes[i]) << 16) | (static_cast<uint8_t>(bytes[i + 1]) << 8) |
                       static_cast<uint8_t>(bytes[i + 2]);
    plain += kAlphabet[(n >> 18) & 63];
    plain += kAlphabet[(n >> 12) & 63];
    plain += kAlphabet[(n >> 6) & 63];
    plain += kAlphabet[n & 63];
  }
  const size_t rest = bytes.size() - i;
  if (rest > 0) {
    uint32_t n = static_cast<uint8_t>(bytes[i]) << 16;
    if (rest == 2) n |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    plain += kAlphabet[(n >> 18) & 63];
    plain += kAlphabet[(n >> 12) & 63];
    plain += rest == 2 ? kAlphabet[(n >> 6) & 63] : '=';
    plain += '=';
  }

  std::string out;
  out.reserve(plain.size() + plain.size() / kLineLength * 2);
  for (size_t pos = 0; pos < plain.size(); pos += kLineLength) {
    if (pos > 0) out += "\r\n";
    out.append(plain, pos, kLineLength);
  }
  return out;
}

std::string base64Decode(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 4 * 3);
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    if (c == '\0') break;
    const int8_t v = kDecode[static_cast<uint8_t>(c)];
    if (v < 0) continue;
    bits = (bits << 6) | static_cast<uint32_t>(v);
    if (++count == 4) {
      out += static_cast<char>((bits >> 16) & 0xFF);
      out += static_cast<char>((bits >> 8) & 0xFF);
      out += static_cast<char>(bits & 0xFF);
      bits = 0;
      count = 0;
    }
  }
  if (count == 2) {
    out += static_cast<char>((bits >> 4) & 0xFF);
  } else if (count == 3) {
    out += static_cast<char>((bits >> 10) & 0xFF);
    out += static_cast<char>((bits >> 2) & 0xFF);
  }
  return out;
}

}  // namespace kestro
