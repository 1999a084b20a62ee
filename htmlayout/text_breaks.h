// Character classes for line breaking: CJK text breaks between characters,
// except before closing punctuation.
#pragma once

namespace htmlayout {

bool is_cjk(wchar_t c);
bool no_break_before(wchar_t c);

}  // namespace htmlayout
