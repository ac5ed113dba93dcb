// Lines of the plain "key = value" text files (the port map INI/comports,
// the emulator's state file): white space around a key and its value does
// not count, and blank lines and lines starting with '#' hold nothing.
#pragma once

#include <string>
#include <string_view>

namespace vkt53 {

// The text without the white space at its ends.
std::string TrimSpace(std::string_view text);

enum class KeyValueKind {
  Nothing,   // a blank line or a comment
  Entry,     // key = value (either may be empty)
  NoEquals,  // text without an '='
};

struct KeyValueLine {
  KeyValueKind kind = KeyValueKind::Nothing;
  std::string key;
  std::string value;
};

// Splits at the first '='.
KeyValueLine ParseKeyValueLine(std::string_view line);

}  // namespace vkt53
