#include "htmlayout/text_breaks.h"

namespace htmlayout {

bool is_cjk(wchar_t c) {
  unsigned u = static_cast<unsigned>(c);
  return (u >= 0x2E80 && u <= 0x9FFF) ||   // radicals, punctuation, kana, unified ideographs
         (u >= 0xAC00 && u <= 0xD7AF) ||   // hangul
         (u >= 0xF900 && u <= 0xFAFF) ||   // compatibility ideographs
         (u >= 0xFF00 && u <= 0xFFEF);     // full-width forms
}

bool no_break_before(wchar_t c) {
  switch (c) {
    case L'\x3001': case L'\x3002': case L'\xFF0C': case L'\xFF0E': case L'\xFF1A': case L'\xFF1B':
    case L'\xFF01': case L'\xFF1F': case L'\xFF09': case L'\x300D': case L'\x300F': case L'\x3011':
      return true;
    default:
      return false;
  }
}

}  // namespace htmlayout
