#include "base/text_convert.h"

#include <cstdint>

namespace kestro {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void appendWide(std::wstring& out, char32_t cp) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
      return;
    }
  }
  out.push_back(static_cast<wchar_t>(cp));
}

bool isSurrogate(char32_t cp) { return cp >= 0xD800 && cp <= 0xDFFF; }

}  // namespace

std::string toUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = static_cast<char32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      cp &= 0xFFFF;
      if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
        char32_t low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
        if (low >= 0xDC00 && low <= 0xDFFF) {
          cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          ++i;
        }
      }
    }
    if (isSurrogate(cp) || cp > 0x10FFFF) cp = kReplacement;
    appendUtf8(out, cp);
  }
  return out;
}

std::wstring fromUtf8(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<uint8_t>(bytes[i]);
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1; cp = lead & 0x1F; minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2; cp = lead & 0x0F; minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3; cp = lead & 0x07; minimum = 0x10000;
    } else {
      appendWide(out, kReplacement);
      ++i;
      continue;
    }
    size_t j = 1;
    for (; j <= static_cast<size_t>(extra); ++j) {
      if (i + j >= bytes.size()) break;
      const auto next = static_cast<uint8_t>(bytes[i + j]);
      if ((next & 0xC0) != 0x80) break;
      cp = (cp << 6) | (next & 0x3F);
    }
    if (j <= static_cast<size_t>(extra)) {
      // Truncated sequence: one replacement, resume at the byte that broke it.
      appendWide(out, kReplacement);
      i += j;
      continue;
    }
    if (cp < minimum || isSurrogate(cp) || cp > 0x10FFFF) cp = kReplacement;
    appendWide(out, cp);
    i += j;
  }
  return out;
}

}  // namespace kestro
