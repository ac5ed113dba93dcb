#include "support/decimal_field.h"

namespace vkt53 {

namespace {

// Far beyond any field's range and far from overflowing int64_t.
constexpr int64_t kSaturatedMagnitude = 1'000'000'000'000;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

DecimalField ParseDecimalField(std::string_view text) {
  if (text.empty()) return {DecimalFieldState::Empty, 0};
  const DecimalField notANumber{DecimalFieldState::NotANumber, 0};
  std::string_view digits = TrimBlanks(text);
  bool negative = false;
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  if (digits.empty()) return notANumber;
  int64_t magnitude = 0;
  for (char c : digits) {
    if (!IsDigit(c)) return notANumber;
    if (magnitude < kSaturatedMagnitude) magnitude = magnitude * 10 + (c - '0');
  }
  return {DecimalFieldState::Value, negative ? -magnitude : magnitude};
}

}  // namespace vkt53
