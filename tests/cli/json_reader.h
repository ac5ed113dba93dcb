// A strict JSON reader for the tests: the program's --json output must be
// one well-formed JSON text in UTF-8, and the tests look into it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vkt53 {

struct Json {
  enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<Json> items;
  std::map<std::string, Json> members;

  // The member, or a null value when there is none.
  const Json& operator[](const std::string& key) const;
  const Json& operator[](std::size_t index) const;
  bool Has(const std::string& key) const { return members.count(key) != 0; }
  int Int() const { return static_cast<int>(number); }
};

// The value of the whole text (blanks and one final newline around it
// allowed); nothing when it is not exactly one JSON value, or a string in it
// is not well-formed UTF-8.
std::optional<Json> ParseJson(const std::string& text);

}  // namespace vkt53
