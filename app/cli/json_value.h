// A small JSON value for the terminal program's machine-readable output:
// objects keep their members in the order they were set, so that the text
// is stable from run to run.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vkt53 {

class JsonValue {
 public:
  enum class Kind { Null, Bool, Number, String, Array, Object };

  JsonValue() = default;
  JsonValue(bool value);  // NOLINT: a JSON value from a plain one reads best
  JsonValue(int value);
  JsonValue(int64_t value);
  JsonValue(const char* text);
  JsonValue(std::string text);

  static JsonValue Array();
  static JsonValue Object();

  // Sets (or replaces) a member of an object; returns the object.
  JsonValue& Set(const std::string& key, JsonValue value);
  // Appends to an array; returns the array.
  JsonValue& Push(JsonValue value);

  Kind kind() const { return kind_; }

  // Compact text: valid UTF-8 kept as it is, a byte that starts no character
  // replaced by U+FFFD, control characters escaped.
  std::string Text() const;

 private:
  void Write(std::string& out) const;

  Kind kind_ = Kind::Null;
  bool bool_ = false;
  int64_t number_ = 0;
  std::string text_;
  std::vector<JsonValue> items_;
  std::vector<std::pair<std::string, JsonValue>> members_;
};

// Bytes as an array of numbers.
template <typename Bytes>
JsonValue JsonBytes(const Bytes& bytes) {
  JsonValue array = JsonValue::Array();
  for (const auto byte : bytes) array.Push(static_cast<int>(byte));
  return array;
}

}  // namespace vkt53
