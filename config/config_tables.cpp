#include "config/config_tables.h"

namespace vkt53 {

ConfigTableList MakeConfigTableList() {
  ConfigTableList list{};
  for (int t = 0; t < kTableCount; ++t) {
    list[t].number = static_cast<uint8_t>(t);
    list[t].writable = t == 3 || t == 5 || t == 6;
  }
  return list;
}

const std::string& TableName(int table) {
  static const std::array<std::string, kTableCount> names = {
      "Общие параметры идентификации",
      "Наличие значения скорости обмена",
      "",
      "Параметры связи",
      "",
      "Командная строка модема",
      "Скорость обмена с подкл. вычислителем и порт подключения",
      "Требуется восстановление таблицы ",
  };
  static const std::string none;
  if (table < 0 || table >= kTableCount) return none;
  return names[table];
}

}  // namespace vkt53
