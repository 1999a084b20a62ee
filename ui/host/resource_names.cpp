#include "ui/host/resource_names.h"

#include <algorithm>
#include <cstdlib>
#include <cwctype>

namespace kestro {

namespace {

bool equalsIgnoringCase(std::wstring_view text, std::wstring_view lowerAscii) {
  return std::equal(text.begin(), text.end(), lowerAscii.begin(), lowerAscii.end(),
                    [](wchar_t a, wchar_t b) { return std::towlower(a) == b; });
}

}  // namespace

std::optional<ResourceName> resourceNameForFile(std::wstring_view fileName) {
  if (fileName.empty() || fileName.size() > kMaxResourceFileName) return std::nullopt;
  const size_t dot = fileName.rfind(L'.');
  if (dot == std::wstring_view::npos) return ResourceName{std::wstring(fileName), {}};
  const std::wstring_view name = fileName.substr(0, dot);
  const std::wstring_view extension = fileName.substr(dot + 1);
  if (name.empty() || extension.empty()) return std::nullopt;
  if (equalsIgnoringCase(extension, L"html")) return ResourceName{std::wstring(name), {}};
  return ResourceName{std::wstring(name), std::wstring(extension)};
}

int closestPictureDpi(int displayDpi) {
  int best = 96;
  for (const int dpi : {144, 192}) {
    if (std::abs(displayDpi - dpi) <= std::abs(displayDpi - best)) best = dpi;
  }
  return best;
}

std::optional<std::wstring> pictureVariantFile(std::wstring_view fileName, int variantDpi) {
  if (variantDpi == 96) return std::nullopt;
  const std::optional<ResourceName> resource = resourceNameForFile(fileName);
  if (!resource || !equalsIgnoringCase(resource->type, L"png")) return std::nullopt;
  std::wstring variant = resource->name + L'_' + std::to_wstring(variantDpi) + L'.' + resource->type;
  if (variant.size() > kMaxResourceFileName) return std::nullopt;
  return variant;
}

}  // namespace kestro
