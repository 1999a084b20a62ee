#include "standins/reference_service/reference_data.h"

#include <fstream>
#include <sstream>

namespace kestro::reference {
namespace {

bool requireArray(const nlohmann::json& data, const char* name, std::string& error) {
  if (data.contains(name) && data[name].is_array()) return true;
  error = std::string("\"") + name + "\" must be an array";
  return false;
}

}  // namespace

std::optional<nlohmann::json> parseReferenceData(const std::string& text, std::string& error) {
  nlohmann::json data = nlohmann::json::parse(text, nullptr, false);
  if (data.is_discarded() || !data.is_object()) {
    error = "not a JSON object";
    return std::nullopt;
  }
  for (const char* name : {"accounts", "nodes", "games", "voices", "announcements"})
    if (!requireArray(data, name, error)) return std::nullopt;
  if (!data.value("clientversion", nlohmann::json()).is_number_integer()) {
    error = "\"clientversion\" must be an integer";
    return std::nullopt;
  }
  return data;
}

std::optional<nlohmann::json> loadReferenceData(const std::string& path, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot read " + path;
    return std::nullopt;
  }
  std::ostringstream text;
  text << file.rdbuf();
  auto data = parseReferenceData(text.str(), error);
  if (!data) error = path + ": " + error;
  return data;
}

}  // namespace kestro::reference
