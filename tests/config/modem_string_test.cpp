#include "config/modem_string.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/cp1251.h"

using namespace vkt53;

namespace {

ModemFieldBytes FieldOf(const std::string& raw) {
  ModemFieldBytes field{};
  std::copy(raw.begin(), raw.end(), field.begin());
  return field;
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

}  // namespace

TEST(EncodeModemField, EmptyTextIsAllZeros) {
  const ModemFieldBytes field = EncodeModemField("");
  EXPECT_TRUE(std::all_of(field.begin(), field.end(), [](uint8_t b) { return b == 0; }));
}

TEST(EncodeModemField, TextThenCarriageReturnThenZeros) {
  const ModemFieldBytes field = EncodeModemField("ATZ");
  EXPECT_EQ(field[0], 'A');
  EXPECT_EQ(field[2], 'Z');
  EXPECT_EQ(field[3], 0x0D);
  EXPECT_TRUE(std::all_of(field.begin() + 4, field.end(), [](uint8_t b) { return b == 0; }));
}

TEST(EncodeModemField, SixtyThreeCharactersFillTheFieldWithNoZero) {
  const ModemFieldBytes field = EncodeModemField(std::string(63, 'x'));
  EXPECT_TRUE(std::all_of(field.begin(), field.begin() + 63, [](uint8_t b) { return b == 'x'; }));
  EXPECT_EQ(field[63], 0x0D);
}

TEST(EncodeModemField, LongerTextIsCutAfter63CharactersNotBytes) {
  // 70 Cyrillic letters are 140 bytes of UTF-8 but 70 characters.
  const ModemFieldBytes field = EncodeModemField(Repeat("ж", 70));
  EXPECT_TRUE(std::all_of(field.begin(), field.begin() + 63, [](uint8_t b) { return b == 0xE6; }));
  EXPECT_EQ(field[63], 0x0D);
}

TEST(EncodeModemField, StoresCyrillicInCodePage1251) {
  const ModemFieldBytes field = EncodeModemField("Ёж №1");
  EXPECT_EQ(field[0], 0xA8);
  EXPECT_EQ(field[1], 0xE6);
  EXPECT_EQ(field[2], ' ');
  EXPECT_EQ(field[3], 0xB9);
  EXPECT_EQ(field[4], '1');
  EXPECT_EQ(field[5], 0x0D);
}

TEST(EncodeModemField, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  const ModemFieldBytes field = EncodeModemField("a€b→c中");
  EXPECT_EQ(std::string(field.begin(), field.begin() + 6),
            "a\x88"
            "b?c?");
  EXPECT_EQ(field[6], 0x0D);
}

TEST(EncodeModemField, BrokenUtf8BecomesQuestionMarks) {
  const std::string broken =
      std::string("A") + "\xD0" + "B" + "\xC0\x80";  // cut letter, overlong zero
  const ModemFieldBytes field = EncodeModemField(broken);
  EXPECT_EQ(std::string(field.begin(), field.begin() + 5), "A?B??");
  EXPECT_EQ(field[5], 0x0D);
}

TEST(ModemFieldText, TrimsBlanksAndControlsAroundTheText) {
  EXPECT_EQ(ModemFieldText(FieldOf("  \t ATZ \r\n ")), "ATZ");
  EXPECT_EQ(ModemFieldText(FieldOf("\r\r")), "");
  EXPECT_EQ(ModemFieldText(FieldOf("AT Z")), "AT Z");  // inner blanks stay
}

TEST(ModemFieldText, StopsAtTheFirstZeroByte) {
  EXPECT_EQ(ModemFieldText(FieldOf(std::string("ATZ\0garbage\r", 12))), "ATZ");
}

TEST(ModemFieldText, FieldWithoutZeroOrCarriageReturnIsReadToItsEnd) {
  ModemFieldBytes field{};
  field.fill('q');
  EXPECT_EQ(ModemFieldText(field), std::string(64, 'q'));
}

TEST(ModemFieldText, CyrillicRoundTrip) {
  const std::string text = "Модем ГОТОВ: абвгдеёжзийклмнопрстуфхцчшщъыьэюя";
  EXPECT_EQ(ModemFieldText(EncodeModemField(text)), text);
}

TEST(ModemTextOfImage, UsesTheImageModemField) {
  ConfigImage image;
  StoreModemText(image, "ATDP");
  EXPECT_EQ(image.bytes[1045], 'A');
  EXPECT_EQ(image.bytes[1049], 0x0D);
  EXPECT_EQ(image.bytes[1044], 0);
  EXPECT_EQ(ModemTextOfImage(image), "ATDP");
}

TEST(Cp1251, EveryByteSurvivesDecodingAndEncoding) {
  for (int b = 1; b < 256; ++b) {
    const auto byte = static_cast<uint8_t>(b);
    const std::vector<uint8_t> back = Cp1251FromUtf8(Utf8FromCp1251(&byte, 1));
    ASSERT_EQ(back.size(), 1u) << "byte " << b;
    EXPECT_EQ(back[0], byte) << "byte " << b;
  }
}

TEST(Cp1251, UpperHalfMapsToTheCodePageCharacters) {
  const uint8_t bytes[] = {0x80, 0x88, 0x96, 0xA8, 0xAA, 0xB2, 0xB9, 0xBF, 0xC0, 0xFF};
  EXPECT_EQ(Utf8FromCp1251(bytes, sizeof bytes), "Ђ€–ЁЄІ№їАя");
}
