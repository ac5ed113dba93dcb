// One field that the device holds otherwise than it was written: found by
// reading the written tables back after a write (app/write_check.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vkt53 {

struct FieldDifference {
  int table = 0;
  int field = 0;
  std::string fieldName;  // "Количество преамбул при ответе ВУ", "вычислитель 5"
  std::string meant;  // the written value as the user knows it: "5", "порт A, 19200 бит/с (0x2F)"
  std::string read;  // the value read back, the same way
  std::vector<uint8_t> meantBytes;
  std::vector<uint8_t> readBytes;

  bool operator==(const FieldDifference&) const = default;
};

// "Табл. 3 "Параметры связи", поле 1 (Количество преамбул при ответе ВУ):
// записано 5, прочитано 3"
std::string DifferenceLine(const FieldDifference& difference);

}  // namespace vkt53
