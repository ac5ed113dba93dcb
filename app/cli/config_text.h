// A configuration as plain text and as JSON, and the fields in which two
// configurations differ. The text is stable (fixed order, one field a line,
// nothing that depends on the moment or the machine), so that files kept
// under version control compare line by line.
#pragma once

#include <string>
#include <vector>

#include "app/cli/json_value.h"
#include "app/field_difference.h"
#include "config/config_image.h"
#include "config/config_record.h"

namespace vkt53 {

// The master link parameters, the modem string and every connected unit
// with its port and speed, as text for the terminal.
std::vector<std::string> ConfigurationLines(const ConfigImage& image);
JsonValue ConfigurationJson(const ConfigImage& image);

// The fields of tables 3, 5 and 6 that differ (the same comparison as the
// check after a write, app/write_check.h), compared in the form the device
// keeps them: what writing `after` over `before` would change.
std::vector<FieldDifference> ConfigurationDifferences(const ConfigRecord& before,
                                                      const ConfigRecord& after);

// "field: before -> after", for the terminal
std::string ChangeLine(const FieldDifference& difference);
JsonValue DifferenceJson(const FieldDifference& difference);

}  // namespace vkt53
