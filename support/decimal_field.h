// Reading an integer edit field. The key filter lets only digits be typed,
// but pasted text can hold anything, so a field is empty, not a number, or a
// value; the dialogs refuse the second like a value out of range.
#pragma once

#include <cstdint>
#include <string_view>

namespace vkt53 {

enum class DecimalFieldState { Empty, NotANumber, Value };

struct DecimalField {
  DecimalFieldState state = DecimalFieldState::Empty;
  int64_t value = 0;  // meaningful only for Value

  bool IsValueIn(int64_t low, int64_t high) const {
    return state == DecimalFieldState::Value && value >= low && value <= high;
  }
};

// Empty only for no text at all. Blanks around the number are allowed, an
// optional sign too (a pasted "-5" is a number, just out of every range).
// Very long digit runs saturate instead of overflowing.
DecimalField ParseDecimalField(std::string_view text);

}  // namespace vkt53
