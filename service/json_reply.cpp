#include "service/json_reply.h"

#include <algorithm>
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

// Builds the document from the parser's events, refusing (and so ending the
// parse) as soon as the text nests deeper than kMaxJsonDepth or an array grows
// past its bound: what a reply cannot hold is never built. A later member of
// the same name replaces the earlier one, as in jsoncpp.
class BoundedDocumentBuilder {
 public:
  using json = nlohmann::json;

  BoundedDocumentBuilder(json& root, size_t maxElements) : root_(root), maxElements_(maxElements) {}

  bool null() { return add(nullptr) != nullptr; }
  bool boolean(bool value) { return add(value) != nullptr; }
  bool number_integer(json::number_integer_t value) { return add(value) != nullptr; }
  bool number_unsigned(json::number_unsigned_t value) { return add(value) != nullptr; }
  bool number_float(json::number_float_t value, const json::string_t&) { return add(value) != nullptr; }
  bool string(json::string_t& value) { return add(std::move(value)) != nullptr; }
  bool binary(json::binary_t&) { return false; }  // JSON text has none

  bool start_object(size_t) { return open(json::object()); }
  bool key(json::string_t& name) {
    member_ = &(*open_.back())[std::move(name)];
    return true;
  }
  bool end_object() { return close(); }
  bool start_array(size_t) { return open(json::array()); }
  bool end_array() { return close(); }

  bool parse_error(size_t, const std::string&, const json::exception&) { return false; }

 private:
  // Places `value` where the text has reached: the root, the member just
  // named, or the end of the open array. Null when the array is full.
  json* add(json&& value) {
    if (open_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    json& container = *open_.back();
    if (container.is_object()) {
      *member_ = std::move(value);
      return member_;
    }
    if (container.size() >= maxElements_) return nullptr;
    container.push_back(std::move(value));
    return &container.back();
  }

  bool open(json&& container) {
    if (open_.size() >= static_cast<size_t>(kMaxJsonDepth)) return false;
    json* placed = add(std::move(container));
    if (placed == nullptr) return false;
    open_.push_back(placed);
    return true;
  }

  bool close() {
    open_.pop_back();
    return true;
  }

  json& root_;
  const size_t maxElements_;
  std::vector<json*> open_;  // the arrays and objects not yet closed, innermost last
  json* member_ = nullptr;
};

// One pass of the parser: comments are white space and the text after the
// root value is not read (jsoncpp's reader ignores it too).
bool parseBounded(std::string_view text, size_t maxElements, nlohmann::json& document) {
  BoundedDocumentBuilder builder(document, maxElements);
  return nlohmann::json::sax_parse(text.begin(), text.end(), &builder, nlohmann::json::input_format_t::json,
                                   /*strict=*/false, /*ignore_comments=*/true);
}

// `text` with every byte sequence that is not UTF-8 replaced by U+FFFD, the
// way the UTF-8 decoding of a text member reads it. A byte that is not a
// continuation byte always starts a fresh sequence, so the text is converted
// in pieces cut before such bytes, never as one wide copy of the whole reply.
std::string withUtf8Repaired(std::string_view text) {
  constexpr size_t kPiece = 64 * 1024;
  std::string repaired;
  repaired.reserve(text.size());
  size_t start = 0;
  while (start < text.size()) {
    size_t end = std::min(text.size(), start + kPiece);
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    repaired += toUtf8(fromUtf8(text.substr(start, end - start)));
    start = end;
  }
  return repaired;
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

JsonReply JsonReply::parse(std::string_view body, ReplyShape shape, size_t maxElements) {
  JsonReply reply;
  body = body.substr(0, body.find('\0'));
  nlohmann::json document;
  if (!parseBounded(body, maxElements, document)) {
    // The parser takes only UTF-8; jsoncpp took any byte inside a text.
    // Parsed again only when a byte was not UTF-8: other faults stay faults.
    const std::string repaired = withUtf8Repaired(body);
    if (repaired == body) return reply;
    document = nlohmann::json();
    if (!parseBounded(repaired, maxElements, document)) return reply;
  }
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
