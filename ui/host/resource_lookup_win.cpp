#include "ui/host/resource_lookup_win.h"

#include <windows.h>

#include "ui/host/resource_names.h"

namespace kestro {

std::optional<std::span<const uint8_t>> findProgramResource(std::wstring_view fileName) {
  const std::optional<ResourceName> resource = resourceNameForFile(fileName);
  if (!resource) return std::nullopt;
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, resource->name.c_str(),
                              resource->isHtml() ? RT_HTML : resource->type.c_str());
  if (found == nullptr) return std::nullopt;
  HGLOBAL loaded = LoadResource(module, found);
  if (loaded == nullptr) return std::nullopt;
  const void* bytes = LockResource(loaded);
  const DWORD size = SizeofResource(module, found);
  if (bytes == nullptr || size == 0) return std::nullopt;
  return std::span<const uint8_t>(static_cast<const uint8_t*>(bytes), size);
}

}  // namespace kestro
