// GDI fonts for CSS font specs, with a family fallback list that ends in CJK
// fonts (Microsoft YaHei, SimSun, WenQuanYi Micro Hei), so Chinese text is
// drawn with a font that has its glyphs, under Windows and under Wine.
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <tuple>

#include "base/unique_gdi_win.h"
#include "htmlayout/canvas.h"

namespace htmlayout {

class font_cache {
 public:
  font_cache();
  font_cache(const font_cache&) = delete;
  font_cache& operator=(const font_cache&) = delete;

  // The font for `text` in `font`: the first installed family of the CSS
  // list, or, when the text holds CJK characters and that family is not a
  // CJK one, the first installed CJK fallback.
  HFONT get(const font_spec& font, std::wstring_view text);
  // The family chosen for `font` and `text` (for tests).
  std::wstring family_for(const font_spec& font, std::wstring_view text);
  bool installed(const std::wstring& family) const;

 private:
  std::wstring choose_family(const font_spec& font, std::wstring_view text);

  std::set<std::wstring> installed_;  // lower-case family names
  std::map<std::tuple<std::wstring, int, int, bool>, kestro::UniqueGdiObject<HFONT>> fonts_;
  std::map<std::pair<std::wstring, bool>, std::wstring> chosen_;  // (CSS list, CJK text) -> family
  // The last answer: a layout measures word after word in one font, and the
  // look-ups above copy the family names each time.
  struct last_answer {
    font_spec font;
    bool cjk = false;
    HFONT handle = nullptr;
  } last_;
};

bool has_cjk(std::wstring_view text);

}  // namespace htmlayout
