// How a file name a page asks for maps to a resource of the program:
// "LOGINBG.PNG" is resource "LOGINBG" of type "PNG"; a name without an
// extension, or ending in ".html" in any case, is an RT_HTML page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestro {

// Names longer than this are not resources of ours.
inline constexpr size_t kMaxResourceFileName = 260;

struct ResourceName {
  std::wstring name;
  std::wstring type;  // empty when the resource is an RT_HTML page
  bool isHtml() const { return type.empty(); }
  bool operator==(const ResourceName&) const = default;
};

// Nothing for an empty or over-long name, or one with an empty name or
// extension part ("LOGIN.", ".PNG").
std::optional<ResourceName> resourceNameForFile(std::wstring_view fileName);

// Pictures are also drawn for displays of 144 and 192 DPI (1.5 and 2 times
// the pixels): "LOGINBG.PNG" for 144 DPI is "LOGINBG_144.PNG". The variant
// for a display: the nearest, the larger on a tie (a picture made smaller
// stays sharper than one made larger).
int closestPictureDpi(int displayDpi);
// The variant's file name; nothing for 96 DPI, for a name that is not a PNG
// picture (animated GIFs have no variants) or one resourceNameForFile refuses.
std::optional<std::wstring> pictureVariantFile(std::wstring_view fileName, int variantDpi);

}  // namespace kestro
