#include "diag/base_providers.h"

#include <algorithm>

namespace kestro {
namespace {

wchar_t foldCase(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool equalIgnoringCase(std::wstring_view a, std::wstring_view b) {
  return std::ranges::equal(a, b, [](wchar_t x, wchar_t y) { return foldCase(x) == foldCase(y); });
}

}  // namespace

BaseProviderList::BaseProviderList()
    : identifiers{
          L"{E70F1AA0-AB8B-11CF-8CA3-00805F48A192}",
          L"{F9EAB0C0-26D4-11D0-BBBF-00AA006C34E4}",
          L"{9D60A9E0-337A-11D0-BD88-0000C082E69A}",
          L"{8D5F1830-C273-11CF-95C8-00805F48A192}",
          L"{9FC48064-7298-43E4-B7BD-181F2089792A}",
      } {}

bool BaseProviderList::contains(std::wstring_view identifier) const {
  return std::ranges::any_of(identifiers,
                             [identifier](const std::wstring& base) { return equalIgnoringCase(base, identifier); });
}

}  // namespace kestro
