// A configuration as plain text and as JSON, and the fields in which two
// configurations differ. The text is stable (fixed order, one field a line,
// nothing that depends on the moment or the machine), so that files kept
// under version control compare line by line.
#pragma once

#include <string>
#include <vector>

#include "app/cli/json_value.h"
#include "config/config_image.h"
#include "config/config_record.h"

namespace vkt53 {

// The master link parameters, the modem string and every connected unit
// with its port and speed.
std::vector<std::string> ConfigurationLines(const ConfigImage& image);
JsonValue ConfigurationJson(const ConfigImage& image);

// Tables 3, 5 and 6 as the device would receive them from the image (the
// rest of the record zero).
ConfigRecord RecordOfImage(const ConfigImage& image);

struct FieldDifference {
  std::string field;   // "Скорость обмена с ВУ", "Вычислитель 5", ...
  std::string before;  // as the first configuration has it
  std::string after;   // as the second has it
};

// The fields of tables 3, 5 and 6 that differ, in table and field order,
// compared in the form the device keeps them: what writing the second over
// the first would change.
std::vector<FieldDifference> ConfigurationDifferences(const ConfigRecord& before,
                                                      const ConfigRecord& after);

// "field: before -> after"
std::string DifferenceLine(const FieldDifference& difference);
JsonValue DifferenceJson(const FieldDifference& difference);

}  // namespace vkt53
