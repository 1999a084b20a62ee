// The service's JSON replies, read the way every endpoint needs them: members by
// name as integer, boolean, floating point or text, converted as jsoncpp's
// asInt, asBool, asDouble and asString convert them (the service has always
// been read that way):
//   - a missing or null member reads as 0, false, 0.0 or empty text;
//   - numbers and booleans convert among themselves: non-zero is true, true is
//     1, a real converts to an integer by truncation when it lies in range;
//   - numbers and booleans convert to text: decimal digits, "true", "false";
//   - text converts to nothing else.
// A member that does not convert (text where a number or boolean is expected,
// an array or object where a single value is, a number out of range) marks
// the whole reply malformed (failure class C), as does a root of the wrong shape.
//
// The text is read as jsoncpp's Json::Reader reads it: comments (// and /* */)
// count as white space, whatever follows the root value is ignored (a PHP
// notice after the reply), and bytes that are not UTF-8 do not fail the reply:
// a text member holding them reads them as U+FFFD, as its UTF-8 decoding would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace kestro {

enum class ReplyShape { Object, Array };

// Bounds a hostile reply cannot push past, checked while it is read so that
// nothing beyond them is ever held: nesting depth of arrays and objects, and
// elements of any one array unless the caller sets its own bound (each
// catalogue does). This one bounds the lists inside object replies, such as
// acc.php's "routeip": a game's server networks, a few thousand at most.
inline constexpr int kMaxJsonDepth = 64;
inline constexpr size_t kMaxJsonArrayElements = 65536;

namespace detail {
struct JsonReplyState;
}

// One JSON object inside a reply. Cheap to copy; keeps the reply alive.
class JsonObjectReader {
 public:
  JsonObjectReader() = default;

  // In the signed 32-bit range; a real's fraction is dropped.
  int32_t integer(std::string_view name) const;
  bool boolean(std::string_view name) const;
  double floating(std::string_view name) const;
  // A JSON string UTF-8 decoded, or a number or boolean as text.
  std::wstring text(std::string_view name) const;
  // The objects of an array member, such as acc.php's "routeip". A missing
  // member gives none; an element that is not an object is a type fault.
  std::vector<JsonObjectReader> objects(std::string_view name) const;
  bool has(std::string_view name) const;

 private:
  friend class JsonReply;
  JsonObjectReader(std::shared_ptr<detail::JsonReplyState> state, const nlohmann::json* node)
      : state_(std::move(state)), node_(node) {}
  const nlohmann::json* member(std::string_view name) const;
  // The member through `convert`: the default when it is missing or null, and
  // the default and a fault when it does not convert.
  template <class T>
  T read(std::string_view name, std::optional<T> (*convert)(const nlohmann::json&)) const;
  void fault() const;

  std::shared_ptr<detail::JsonReplyState> state_;
  const nlohmann::json* node_ = nullptr;
};

class JsonReply {
 public:
  JsonReply();

  // Parses `body` up to its first NUL byte as one JSON document of `shape`
  // (an array must hold only objects) whose arrays hold at most `maxElements`
  // each. Check valid().
  static JsonReply parse(std::string_view body, ReplyShape shape, size_t maxElements = kMaxJsonArrayElements);

  // False when the body was not JSON, had the wrong shape, or a member read so
  // far did not convert.
  bool valid() const;

  // The root of an object reply (an empty object when not valid).
  JsonObjectReader object() const;
  // The elements of an array reply (0 when not valid).
  size_t size() const;
  JsonObjectReader element(size_t index) const;

 private:
  std::shared_ptr<detail::JsonReplyState> state_;
};

}  // namespace kestro
