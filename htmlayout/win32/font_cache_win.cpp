#include "htmlayout/win32/font_cache_win.h"

#include <vector>

#include "htmlayout/text_breaks.h"

namespace htmlayout {
namespace {

const wchar_t* const kCjkFallbacks[] = {L"Microsoft YaHei", L"\x5FAE\x8F6F\x96C5\x9ED1", L"SimSun", L"\x5B8B\x4F53",
                                        L"WenQuanYi Micro Hei", L"WenQuanYi Zen Hei", L"Noto Sans CJK SC"};
const wchar_t* const kLatinFallbacks[] = {L"Tahoma", L"Arial", L"Microsoft Sans Serif", L"WenQuanYi Micro Hei"};

std::wstring lower(std::wstring_view s) {
  std::wstring out(s);
  for (auto& c : out)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return out;
}

std::vector<std::wstring> families(const std::wstring& list) {
  std::vector<std::wstring> out;
  size_t i = 0;
  while (i <= list.size()) {
    size_t comma = list.find(L',', i);
    if (comma == std::wstring::npos) comma = list.size();
    std::wstring name = list.substr(i, comma - i);
    while (!name.empty() && (name.front() == L' ' || name.front() == L'"' || name.front() == L'\'')) name.erase(0, 1);
    while (!name.empty() && (name.back() == L' ' || name.back() == L'"' || name.back() == L'\'')) name.pop_back();
    if (!name.empty()) out.push_back(name);
    i = comma + 1;
  }
  return out;
}

bool is_cjk_family(const std::wstring& name) {
  std::wstring l = lower(name);
  for (const wchar_t* f : kCjkFallbacks)
    if (l == lower(f)) return true;
  return l.find(L"hei") != std::wstring::npos || l.find(L"song") != std::wstring::npos || l.find(L"cjk") != std::wstring::npos;
}

int CALLBACK collect_family(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM param) {
  reinterpret_cast<std::set<std::wstring>*>(param)->insert(lower(lf->lfFaceName));
  return 1;
}

}  // namespace

bool has_cjk(std::wstring_view text) {
  for (wchar_t c : text)
    if (is_cjk(c)) return true;
  return false;
}

font_cache::font_cache() {
  HDC dc = GetDC(nullptr);
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesExW(dc, &lf, collect_family, reinterpret_cast<LPARAM>(&installed_), 0);
  ReleaseDC(nullptr, dc);
}

bool font_cache::installed(const std::wstring& family) const { return installed_.count(lower(family)) > 0; }

std::wstring font_cache::family_for(const font_spec& font, std::wstring_view text) {
  auto key = std::make_pair(font.family, has_cjk(text));
  auto it = chosen_.find(key);
  if (it != chosen_.end()) return it->second;
  return chosen_[key] = choose_family(font, text);
}

std::wstring font_cache::choose_family(const font_spec& font, std::wstring_view text) {
  std::wstring first;
  for (const auto& f : families(font.family))
    if (installed(f)) { first = f; break; }
  if (first.empty())
    for (const wchar_t* f : kLatinFallbacks)
      if (installed(f)) { first = f; break; }
  if (has_cjk(text) && !is_cjk_family(first)) {
    for (const auto& f : families(font.family))
      if (installed(f) && is_cjk_family(f)) return f;
    for (const wchar_t* f : kCjkFallbacks)
      if (installed(f)) return f;
  }
  return first.empty() ? std::wstring(L"Tahoma") : first;
}

HFONT font_cache::get(const font_spec& font, std::wstring_view text) {
  const bool cjk = has_cjk(text);
  if (last_.handle != nullptr && last_.cjk == cjk && last_.font == font) return last_.handle;
  std::wstring family = family_for(font, text);
  auto key = std::make_tuple(family, font.size, font.weight, font.underline);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) {
    last_ = {font, cjk, it->second.get()};
    return it->second.get();
  }
  HFONT f = CreateFontW(-font.size, 0, 0, 0, font.weight, FALSE, font.underline, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, family.c_str());
  fonts_.emplace(key, kestro::UniqueGdiObject<HFONT>(f));
  last_ = {font, cjk, f};
  return f;
}

}  // namespace htmlayout
