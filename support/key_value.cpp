#include "support/key_value.h"

#include <cctype>

namespace vkt53 {

namespace {

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::string TrimSpace(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return std::string(text);
}

KeyValueLine ParseKeyValueLine(std::string_view line) {
  const std::string text = TrimSpace(line);
  if (text.empty() || text.front() == '#') return {};
  const auto equals = text.find('=');
  if (equals == std::string::npos) return {KeyValueKind::NoEquals, {}, {}};
  return {KeyValueKind::Entry, TrimSpace(std::string_view(text).substr(0, equals)),
          TrimSpace(std::string_view(text).substr(equals + 1))};
}

}  // namespace vkt53
