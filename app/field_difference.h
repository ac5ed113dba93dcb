// One field whose value is not the one expected: the device holds it
// otherwise than it was written, found by reading the written tables back
// after a write (app/write_check.h); or, between two configurations, the
// value the first has and the second would put there (vkt53-cli diff).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vkt53 {

struct FieldDifference {
  int table = 0;
  int field = 0;
  std::string fieldName;  // "Количество преамбул при ответе ВУ", "вычислитель 5"
  // The value expected and the value found, as the user knows them ("5",
  // "порт A, 19200 бит/с (0x2F)"): after a write, the one written and the
  // one read back.
  std::string expected;
  std::string found;
  std::vector<uint8_t> expectedBytes;
  std::vector<uint8_t> foundBytes;

  bool operator==(const FieldDifference&) const = default;
};

// "Табл. 3 "Параметры связи", поле 1 (Количество преамбул при ответе ВУ):
// записано 5, прочитано 3"
std::string DifferenceLine(const FieldDifference& difference);

}  // namespace vkt53
