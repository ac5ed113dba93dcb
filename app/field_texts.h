// The texts of the configuration's fields as the program shows them outside
// the editors: the check after a write, vkt53-cli show and diff, and the
// configuration report. One set, so that a value reads the same wherever the
// user meets it. A value no editor can set is shown as "?" with what it is.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/config_record.h"

namespace vkt53 {

inline constexpr char kModemStringCaption[] = "Строка инициализации модема";

// Table 3's fields in the order the editors show them, master speed first.
inline constexpr std::array<std::size_t, kLinkParametersSize> kLinkFieldsInEditorOrder = {
    kMasterSpeedIndexField, kAnswerPreambleCountField, kRequestPreambleCountField,
    kUnitAnswerWaitField,   kWaitUnitPreamblesField,   kPriorityField,
    kRetryDelayIndexField,
};

// The editors' caption of a table 3 field, on one line.
const char* LinkFieldCaption(std::size_t field);

// "9600 бит/с"; "? (индекс скорости 25)" for an index outside the table.
std::string SpeedIndexText(int speedIndex);

// A table 3 value: the speed, the list item's text ("Низкий"), a count, or
// the answer wait with its time ("10 (1200 мс)").
std::string LinkFieldValueText(std::size_t field, int value);

// The wait for a unit's answer that a table 3 value stands for.
int UnitAnswerWaitMs(int value);

// "A", "B", "C"; nothing for any other port code.
const char* PortLetter(uint8_t portCode);

// "порт A"; "порт ? (код 5)" for a code that names no port.
std::string PortText(uint8_t portCode);

// A unit link byte of table 6: "порт A, 19200 бит/с (0x2F)", "не подключен,
// 1200 бит/с (0x02)".
std::string UnitLinkByteText(uint8_t linkByte);

// Text from a file or the device as a terminal or a page may show it:
// control characters (C0, DEL, C1) and bytes that start no UTF-8 character
// as \xNN, so that a BEL or an escape sequence in a modem string is shown,
// not obeyed.
std::string VisibleText(const std::string& text);

}  // namespace vkt53
