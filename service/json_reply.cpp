#include "service/json_reply.h"

#include <charconv>
#include <limits>

#include <nlohmann/json.hpp>

#include "base/text_convert.h"

namespace kestro {

namespace detail {
struct JsonReplyState {
  nlohmann::json document = nlohmann::json::object();
  bool valid = false;
};
}  // namespace detail

namespace {

// Nesting deeper than the cap is refused before parsing, so no reply can make
// the parser or the value's destruction recurse without bound.
bool nestingWithinCap(std::string_view text) {
  int depth = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxJsonDepth) return false;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return true;
}

// The conversions of a member that is present and not null; nothing where it
// does not convert. nlohmann keeps a JSON integer as unsigned when it is not
// negative, as signed when it is, and refuses a number beyond a double's range.

std::optional<int32_t> asInteger(const nlohmann::json& value) {
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  switch (value.type()) {
    case nlohmann::json::value_t::number_unsigned: {
      const auto number = value.get<uint64_t>();
      if (number <= static_cast<uint64_t>(kMax)) return static_cast<int32_t>(number);
      return std::nullopt;
    }
    case nlohmann::json::value_t::number_integer: {
      const auto number = value.get<int64_t>();
      if (number >= kMin && number <= kMax) return static_cast<int32_t>(number);
      return std::nullopt;
    }
    case nlohmann::json::value_t::number_float: {
      // The real itself must lie in the range: 2147483647.5 does not fit.
      const double number = value.get<double>();
      if (number >= static_cast<double>(kMin) && number <= static_cast<double>(kMax))
        return static_cast<int32_t>(number);
      return std::nullopt;
    }
    case nlohmann::json::value_t::boolean:
      return value.get<bool>() ? 1 : 0;
    default:
      return std::nullopt;
  }
}

std::optional<bool> asBoolean(const nlohmann::json& value) {
  switch (value.type()) {
    case nlohmann::json::value_t::boolean:
      return value.get<bool>();
    case nlohmann::json::value_t::number_unsigned:
    case nlohmann::json::value_t::number_integer:
    case nlohmann::json::value_t::number_float:
      return value.get<double>() != 0.0;
    default:
      return std::nullopt;
  }
}

std::optional<double> asFloating(const nlohmann::json& value) {
  if (value.is_number()) return value.get<double>();
  if (value.is_boolean()) return value.get<bool>() ? 1.0 : 0.0;
  return std::nullopt;
}

// A real as text is the shortest that reads back as the same double
// (std::to_chars: fixed or exponent form, whichever is shorter: "3.9", "2",
// "1e+21"), the same on every platform and in every locale, where jsoncpp's
// "%.17g" would give "3.8999999999999999".
std::optional<std::string> asText(const nlohmann::json& value) {
  switch (value.type()) {
    case nlohmann::json::value_t::string:
      return value.get<std::string>();
    case nlohmann::json::value_t::boolean:
      return value.get<bool>() ? "true" : "false";
    case nlohmann::json::value_t::number_unsigned:
      return std::to_string(value.get<uint64_t>());
    case nlohmann::json::value_t::number_integer:
      return std::to_string(value.get<int64_t>());
    case nlohmann::json::value_t::number_float: {
      char buffer[32];  // the longest is 24 characters, "-2.2250738585072014e-308"
      return std::string(buffer, std::to_chars(buffer, buffer + sizeof(buffer), value.get<double>()).ptr);
    }
    default:
      return std::nullopt;
  }
}

const nlohmann::json& emptyObject() {
  static const nlohmann::json empty = nlohmann::json::object();
  return empty;
}

}  // namespace

const nlohmann::json* JsonObjectReader::member(std::string_view name) const {
  if (node_ == nullptr) return nullptr;
  const auto it = node_->find(name);
  if (it == node_->end() || it->is_null()) return nullptr;
  return &*it;
}

void JsonObjectReader::fault() const {
  if (state_) state_->valid = false;
}

bool JsonObjectReader::has(std::string_view name) const { return member(name) != nullptr; }

template <class T>
T JsonObjectReader::read(std::string_view name, std::optional<T> (*convert)(const nlohmann::json&)) const {
  const nlohmann::json* value = member(name);
  if (value == nullptr) return T{};
  if (std::optional<T> converted = convert(*value)) return *std::move(converted);
  fault();
  return T{};
}

int32_t JsonObjectReader::integer(std::string_view name) const { return read(name, asInteger); }

bool JsonObjectReader::boolean(std::string_view name) const { return read(name, asBoolean); }

double JsonObjectReader::floating(std::string_view name) const { return read(name, asFloating); }

std::wstring JsonObjectReader::text(std::string_view name) const { return fromUtf8(read(name, asText)); }

std::vector<JsonObjectReader> JsonObjectReader::objects(std::string_view name) const {
  std::vector<JsonObjectReader> out;
  const nlohmann::json* value = member(name);
  if (value == nullptr) return out;
  if (!value->is_array()) {
    fault();
    return out;
  }
  for (const auto& element : *value) {
    if (!element.is_object()) {
      fault();
      return {};
    }
    out.push_back(JsonObjectReader(state_, &element));
  }
  return out;
}

JsonReply::JsonReply() : state_(std::make_shared<detail::JsonReplyState>()) {}

JsonReply JsonReply::parse(std::string_view body, ReplyShape shape) {
  JsonReply reply;
  body = body.substr(0, body.find('\0'));
  if (!nestingWithinCap(body)) return reply;
  auto document = nlohmann::json::parse(body.begin(), body.end(), nullptr, false);
  if (document.is_discarded()) return reply;
  if (shape == ReplyShape::Object) {
    if (!document.is_object()) return reply;
  } else {
    if (!document.is_array()) return reply;
    for (const auto& element : document)
      if (!element.is_object()) return reply;
  }
  reply.state_->document = std::move(document);
  reply.state_->valid = true;
  return reply;
}

bool JsonReply::valid() const { return state_->valid; }

JsonObjectReader JsonReply::object() const {
  const nlohmann::json& root = state_->document;
  return JsonObjectReader(state_, root.is_object() ? &root : &emptyObject());
}

size_t JsonReply::size() const {
  const nlohmann::json& root = state_->document;
  return root.is_array() ? root.size() : 0;
}

JsonObjectReader JsonReply::element(size_t index) const {
  const nlohmann::json& root = state_->document;
  if (!root.is_array() || index >= root.size() || !root[index].is_object()) return JsonObjectReader(state_, &emptyObject());
  return JsonObjectReader(state_, &root[index]);
}

}  // namespace kestro
