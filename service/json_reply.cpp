#include "service/json_reply.h"

#include <cmath>
#include <limits>

#include <nlohmann/json.hpp>

#include "app/text_convert.h"

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

int32_t JsonObjectReader::integer(std::string_view name) const {
  const nlohmann::json* value = member(name);
  if (value == nullptr) return 0;
  if (value->is_number_unsigned()) {
    const auto number = value->get<uint64_t>();
    if (number <= static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return static_cast<int32_t>(number);
  } else if (value->is_number_integer()) {
    const auto number = value->get<int64_t>();
    if (number >= std::numeric_limits<int32_t>::min() && number <= std::numeric_limits<int32_t>::max())
      return static_cast<int32_t>(number);
  } else if (value->is_number_float()) {
    // A number written with a fraction is still a number: its integer part.
    const double number = value->get<double>();
    if (std::isfinite(number) && number > -2147483649.0 && number < 2147483648.0) return static_cast<int32_t>(number);
  }
  fault();
  return 0;
}

bool JsonObjectReader::boolean(std::string_view name) const {
  const nlohmann::json* value = member(name);
  if (value == nullptr) return false;
  if (value->is_boolean()) return value->get<bool>();
  fault();
  return false;
}

double JsonObjectReader::floating(std::string_view name) const {
  const nlohmann::json* value = member(name);
  if (value == nullptr) return 0.0;
  if (value->is_number()) return value->get<double>();
  fault();
  return 0.0;
}

std::wstring JsonObjectReader::text(std::string_view name) const {
  const nlohmann::json* value = member(name);
  if (value == nullptr) return {};
  if (value->is_string()) return fromUtf8(value->get_ref<const std::string&>());
  fault();
  return {};
}

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
