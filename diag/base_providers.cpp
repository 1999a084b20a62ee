#include "diag/base_providers.h"

#include <algorithm>

namespace kestro {
namespace {

wchar_t foldCase(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool equalIgnoringCase(std::wstring_view a, std::wstring_view b) {
  return std::ranges::equal(a, b, [](wchar_t x, wchar_t y) { return foldCase(x) == foldCase(y); });
}

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The folder part of a path, without its last separator.
std::wstring_view folderOf(std::wstring_view path) {
  const auto last = std::find_if(path.rbegin(), path.rend(), isSeparator);
  return last == path.rend() ? std::wstring_view{} : path.substr(0, static_cast<size_t>(path.rend() - last) - 1);
}

std::wstring_view withoutTrailingSeparators(std::wstring_view folder) {
  while (!folder.empty() && isSeparator(folder.back())) folder.remove_suffix(1);
  return folder;
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

bool isBaseEntry(const BaseProviderList& base, const CatalogueEntryFacts& entry, std::wstring_view systemFolder) {
  if (base.contains(entry.identifier)) return true;
  if (entry.chainLength != kBaseProtocolChain) return false;
  const std::wstring_view system = withoutTrailingSeparators(systemFolder);
  return !system.empty() && equalIgnoringCase(folderOf(entry.dllPath), system);
}

}  // namespace kestro
