#include "support/text_format.h"

#include <gtest/gtest.h>

#include <string>

using namespace vkt53;

namespace {

std::string Repeated(const std::string& piece, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += piece;
  return text;
}

}  // namespace

// A failure line with a long Russian text of the device: 2 bytes a letter,
// well past 300 bytes, and nothing of it lost or cut through a letter.
TEST(TextFormat, LongCyrillicTextsComeOutWhole) {
  const std::string reason = Repeated("Нет ответа от устройства; ", 12);
  ASSERT_GT(reason.size(), 300u);
  EXPECT_EQ(Format("Команда %d.  %s", 29, reason.c_str()), "Команда 29.  " + reason);
  // The shortest of cuts: a letter that would straddle byte 300.
  const std::string odd = "x" + Repeated("я", 200);
  EXPECT_EQ(Format("%s", odd.c_str()), odd);
}
