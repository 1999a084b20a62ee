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

}  // namespace kestro
