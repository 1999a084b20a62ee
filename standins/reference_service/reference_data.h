// The reference service's data file (data.json beside this file; format in
// README.md): accounts, nodes, games, voice routes and announcements.
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace kestro::reference {

// The whole file, checked for the members every answer relies on. On a fault,
// nothing and a message in `error`.
std::optional<nlohmann::json> loadReferenceData(const std::string& path, std::string& error);
std::optional<nlohmann::json> parseReferenceData(const std::string& text, std::string& error);

}  // namespace kestro::reference
