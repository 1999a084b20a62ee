// The bytes of a page or image stored as a resource of the program itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kestro {

// Finds, loads and locks the resource named by `fileName` (see
// resource_names.h) in the program's module. Nothing when it is missing,
// cannot be loaded or locked, or is empty. The bytes live as long as the module.
std::optional<std::span<const uint8_t>> findProgramResource(std::wstring_view fileName);

}  // namespace kestro
