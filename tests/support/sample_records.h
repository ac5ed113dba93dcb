// Records as devices answer them, shared by the tests of the decisions and
// of the windows that show them.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>

#include "config/config_image.h"
#include "config/identification.h"
#include "config/table_status.h"

namespace vkt53 {

using IdentificationRecord = std::array<uint8_t, kIdentificationSize>;

// A vkt53-sx as it usually answers: type 8, software 3, built 17.03.05 09:05:00.
inline IdentificationRecord TypicalIdentification() {
  IdentificationRecord record{};
  record[1] = 8;   // type code
  record[2] = 2;   // hardware version
  record[3] = 3;   // software version
  record[4] = 5;   // year
  record[5] = 3;   // month
  record[6] = 17;  // day
  record[7] = 9;   // hour
  record[8] = 5;   // minute
  record[9] = 0;   // second
  record[10] = 1;  // byte order
  record[11] = 1;  // multi-speed
  record[14] = 1;
  record[15] = 0;
  record[16] = 12;
  return record;
}

// The block the start-up sequence builds from table 7's eight restore flags.
inline TableStatusBlock BlockWithRestoreFlags(std::initializer_list<int> tablesToRestore) {
  uint8_t flags[kTableCount] = {};
  for (int table : tablesToRestore) flags[table] = 1;
  return MakeTableStatusBlock(MakeConfigTableList(), flags);
}

// The image the editors show of a record.
inline ConfigImage ImageOf(const ConfigRecord& record) {
  ConfigImage image;
  NewConfigurationImage(image);
  ImageFromRecord(record, image);
  return image;
}

}  // namespace vkt53
