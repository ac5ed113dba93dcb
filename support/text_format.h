// printf-style composition of the program's texts ("Команда %d.  %s", …),
// which are kept exactly in the form the user sees them.
#pragma once

#include <cstdio>
#include <string>

namespace vkt53 {

// The text is as long as it comes out: a fixed buffer would cut a long
// device text, and could cut a Cyrillic character (two bytes) in half.
template <typename... Args>
std::string Format(const char* pattern, Args... args) {
  const int length = std::snprintf(nullptr, 0, pattern, args...);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length), '\0');
  std::snprintf(text.data(), text.size() + 1, pattern, args...);
  return text;
}

}  // namespace vkt53
