// The table read/write service: reads and writes ranges of fields of the
// device's numbered configuration tables with function 29, shows each
// request in the status line and lets the user retry a failed one.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "config/config_record.h"
#include "config/table_status.h"
#include "link/link_settings.h"
#include "link/plcbox.h"
#include "link/service_ui.h"

namespace vkt53 {

inline constexpr int kMaxBlockSize = 249;  // 255-byte frame less its own six bytes
inline constexpr int kBlockHeaderSize = 6;  // read table, first, count, write table, first, count
inline constexpr int kMaxWriteValues = kMaxBlockSize - kBlockHeaderSize;
inline constexpr int kResponseValuesOffset = 7;  // where a read's field values start
inline constexpr int kFirstUnitReadCount = 130;  // table 6 is read as fields 0..129 and 130..254

// The data of one function 29 request: read table, first field, count, write
// table, first field, count, then the values to write.
struct TableRequest {
  std::array<uint8_t, kMaxBlockSize> block{};
  int dataLength = kBlockHeaderSize;

  static TableRequest Read(int table, int firstField, int count);
  static TableRequest Write(int table, int firstField, int count, std::span<const uint8_t> values);

  enum HeaderByte { kReadTable, kReadFirst, kReadCount, kWriteTable, kWriteFirst, kWriteCount };

  int readTable() const { return block[kReadTable]; }
  int readFirst() const { return block[kReadFirst]; }
  int readCount() const { return block[kReadCount]; }
  int writeTable() const { return block[kWriteTable]; }
  int writeFirst() const { return block[kWriteFirst]; }
  int writeCount() const { return block[kWriteCount]; }
};

// Everything a table operation works with: the protocol, the link settings
// (a written master speed is followed there) and the windows.
struct LinkSession {
  ExchangeContext& context;
  LinkSettings& settings;
  ServiceUi& ui;
};

// " COM%d,   %d бит/с"
std::string LinkPanelText(int portNumber, int32_t speed);

// What the operation panel shows while the request runs: "Чтение из таблицы
// %d (поля %d-%d)", "Запись в таблицу %d (поле %d)" and the like.
std::string TableOperationText(const TableRequest& request);

// Runs one request until it succeeds or the user gives up. On success the
// response stays in the context, a read's values from kResponseValuesOffset. A
// stop the user asked for (ServiceUi::StopRequested) ends it with false
// before the request goes out, or after a failed try without the retry
// question; a request under way is never cut short.
bool TransferTable(LinkSession& session, const TableRequest& request);

bool ReadIdentification(LinkSession& session, ConfigRecord& record);
bool ReadSpeedAvailability(LinkSession& session, ConfigRecord& record);
// Table 7, fields 0..7, into flags; they are changed only by a successful read.
bool ReadRestoreFlags(LinkSession& session, RestoreFlags& flags);
bool ReadConfiguration(LinkSession& session, ConfigRecord& record, ProgressBar* progress);

// After table 3 was written: the link follows the device to its new master
// speed, in the settings, the exchange and the link panel.
void FollowMasterSpeed(LinkSession& session, uint8_t masterSpeedIndex);

// The writable tables a write touches, or touched, or that are read back.
struct WrittenTables {
  bool linkParameters = false;  // table 3
  bool modemCommand = false;    // table 5
  bool unitLinks = false;       // table 6

  bool Any() const { return linkParameters || modemCommand || unitLinks; }
  // Marks table 3, 5 or 6; other numbers are ignored.
  void Add(int table);
  // The tables' numbers, in ascending order.
  std::vector<int> Numbers() const;
  bool operator==(const WrittenTables&) const = default;
};

// The tables of a table status block's write selection.
WrittenTables SelectedTables(const TableStatusBlock& status);

// Reads the tables into the record, table 6 whole in two requests. False
// when a read ended without success; the record keeps what came.
bool ReadTables(LinkSession& session, const WrittenTables& tables, ConfigRecord& into);

enum class ChangeWriteOutcome { NothingChanged, Written, Failed };

struct ChangeWriteResult {
  ChangeWriteOutcome outcome = ChangeWriteOutcome::NothingChanged;
  // The tables at least one write of which was answered: after a failure,
  // the device holds these (table 6 perhaps only in part) as meant.
  WrittenTables written;
};

// Writes the tables the block's write selection names (only 3, 5 and 6 are
// written), whole from the record in the order of their numbers, table 6 in
// two requests: one step of the bar a request, and after the last a pause
// in which the device settles. A written master speed is followed.
ChangeWriteResult WriteConfiguration(LinkSession& session, const ConfigRecord& record,
                                     const TableStatusBlock& status, ProgressBar* progress);

// Table writes in the order they are sent, and the tables they touch.
struct TableWrites {
  std::vector<TableRequest> requests;
  WrittenTables tables;
};

// The writes that bring the device from one configuration to another: tables
// 3 and 5 whole when they differ, table 6 in runs of differing fields, each
// run at most as long as one request can carry. None when nothing differs.
TableWrites ChangedTableWrites(const ConfigRecord& asRead, const ConfigRecord& meant);

// Sends the writes, stopping at the first that fails; after a write of table
// 3 the link follows the device to its new master speed.
ChangeWriteResult WriteChangedTables(LinkSession& session, const TableWrites& writes);

}  // namespace vkt53
