// printf-style composition of the program's texts ("Команда %d.  %s", …),
// which are kept exactly in the form the user sees them.
#pragma once

#include <cstdio>
#include <string>

template <typename... Args>
std::string Format(const char* pattern, Args... args) {
  char buffer[300];
  std::snprintf(buffer, sizeof buffer, pattern, args...);
  return buffer;
}
