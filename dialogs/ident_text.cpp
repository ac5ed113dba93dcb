#include "dialogs/ident_text.h"

#include <cstdio>

#include "config/identification.h"

namespace vkt53 {

namespace {

using Record = std::span<const uint8_t, kIdentificationSize>;

const char* const kRowCaptions[kIdentificationRowCount] = {
    "Код типа контроллера",
    "Версия аппаратного обеспечения",
    "Версия программного обеспечения",
    "Дата создания ПО",
    "Порядок расположения байтов",
    "Наличие разрушенных таблиц",
    "Возможность работы на разных\nскоростях обмена",
    "Возможность изменения адреса\nконтроллера",
    "Номер последней версии протокола\nRXV-BB51-M, которая поддерживается\nконтроллером",
};

std::string Decimal(int value) { return std::to_string(value); }

std::string SoftwareVersionText(int version) {
  if (version == kReadWriteSoftwareVersion) return "3 (Чтение и запись)";
  if (version == kReadOnlySoftwareVersion) return "4 (Только чтение)";
  return Decimal(version);
}

// A date or time part as two digits, or "**" when the device sent a value
// that cannot be a calendar or clock reading.
std::string DatePart(int value, int lowest, int highest) {
  if (value < lowest || value > highest) return "**";
  char text[4];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

std::string BuildDateText(Record record) {
  const std::string day = DatePart(record[kBuildDayByte], 1, 31);
  const std::string month = DatePart(record[kBuildMonthByte], 1, 12);
  const std::string year = DatePart(record[kBuildYearByte], 0, 99);
  const std::string hour = DatePart(record[kBuildHourByte], 0, 23);
  const std::string minute = DatePart(record[kBuildMinuteByte], 0, 59);
  const std::string second = DatePart(record[kBuildSecondByte], 0, 59);
  return day + "." + month + "." + year + "  " + hour + ":" + minute + ":" + second;
}

std::string ByteOrderText(int order) {
  if (order == 0) return "Мл. адрес - ст. байт";
  if (order == 1) return "Мл. адрес - мл. байт";
  return " ? ";
}

std::string CorruptedTableText(int table) {
  if (table == 0) return "Разрушенных таблиц нет";
  return "Разрушена таблица " + Decimal(table);
}

std::string ProtocolVersionText(Record record) {
  return Decimal(record[kProtocolVersionByte]) + "." + Decimal(record[kProtocolVersionByte + 1]) + "." +
         Decimal(record[kProtocolVersionByte + 2]);
}

}  // namespace

const char* IdentificationRowCaption(std::size_t row) {
  return row < kIdentificationRowCount ? kRowCaptions[row] : "";
}

IdentificationTexts IdentificationRows(Record record) {
  IdentificationTexts rows;
  rows[kTypeCodeRow] = Decimal(record[kTypeCodeByte]);
  rows[kHardwareVersionRow] = Decimal(record[kHardwareVersionByte]);
  rows[kSoftwareVersionRow] = SoftwareVersionText(record[kSoftwareVersionByte]);
  rows[kBuildDateRow] = BuildDateText(record);
  rows[kByteOrderRow] = ByteOrderText(record[kByteOrderByte]);
  rows[kCorruptedTableRow] = CorruptedTableText(record[kCorruptedTableByte]);
  rows[kMultiSpeedRow] = record[kMultiSpeedByte] == 0 ? "Нет" : "Есть";
  rows[kAddressChangeRow] = "Нет. Адрес = 0";
  rows[kProtocolVersionRow] = ProtocolVersionText(record);
  return rows;
}

bool ReportsCorruptedTable(Record record) { return record[kCorruptedTableByte] != 0; }

}  // namespace vkt53
