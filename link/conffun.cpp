#include "link/conffun.h"

#include <algorithm>
#include <cstring>

#include "config/speed_table.h"
#include "support/text_format.h"

namespace vkt53 {

namespace {

constexpr int kEchoOffset = 4;  // response bytes 4..6: read table, first field, count
constexpr int kChecksumSize = 2;
constexpr uint32_t kSettleMs = 500;  // after a long table sequence

constexpr int kSpeedMaskCount = 2;                // table 1: the master mask, then the unit mask
constexpr uint8_t kFallbackMasterSpeedIndex = 2;  // 1200 bit/s

// Bytes one field of a table occupies.
int FieldSize(int table) {
  switch (table) {
    case kSpeedAvailabilityTable: return static_cast<int>(kSpeedMaskSize);
    case kModemCommandTable: return static_cast<int>(kModemFieldSize);
    default: return 1;
  }
}

std::string OperationTextOf(const TableRequest& r) {
  if (r.readCount() != 0) {
    return r.readCount() == 1
               ? Format("Чтение из таблицы %d (поле %d)", r.readTable(), r.readFirst())
               : Format("Чтение из таблицы %d (поля %d-%d)", r.readTable(), r.readFirst(),
                        r.readFirst() + r.readCount());
  }
  return r.writeCount() <= 1
             ? Format("Запись в таблицу %d (поле %d)", r.writeTable(), r.writeFirst())
             : Format("Запись в таблицу %d (поля %d-%d)", r.writeTable(), r.writeFirst(),
                      r.writeFirst() + r.writeCount());
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The answer must echo what was asked and carry all the values asked for;
// a shorter answer would leave stale bytes in the record.
bool AnswerMatches(const ExchangeContext& context, const TableRequest& r) {
  const auto& response = context.response;
  const int valueBytes = r.readCount() * FieldSize(r.readTable());
  return response[kEchoOffset] == r.readTable() && response[kEchoOffset + 1] == r.readFirst() &&
         response[kEchoOffset + 2] == r.readCount() &&
         response[2] >= kResponseValuesOffset + valueBytes + kChecksumSize;
}

// Asks the retry question; on "Да" lets events run before the next try. A
// stop asked for meanwhile is the answer "Нет", without the question.
bool AskAgain(LinkSession& session, const std::string& line1, const std::string& line2) {
  if (session.ui.StopRequested()) return false;
  const bool again = session.ui.AskRetry(line1, line2);
  session.ui.ShowOperationPanel("");
  if (again) session.ui.ProcessPendingEvents();
  return again;
}

bool ReadInto(LinkSession& session, const TableRequest& request, uint8_t* into) {
  if (!TransferTable(session, request)) return false;
  const int valueBytes = request.readCount() * FieldSize(request.readTable());
  std::memcpy(into, session.context.response.data() + kResponseValuesOffset,
              static_cast<size_t>(valueBytes));
  return true;
}

void Advance(LinkSession& session, ProgressBar* progress) {
  if (progress) progress->SetPosition(progress->Position() + 1);
  session.ui.ProcessPendingEvents();
}

void Finish(LinkSession& session, ProgressBar* progress) {
  if (progress && progress->Position() < progress->Maximum()) progress->SetPosition(progress->Maximum());
  session.ui.ProcessPendingEvents();
  WaitMs(kSettleMs);
}

TableRequest WriteOf(int table, int first, int count, const uint8_t* values, int valueBytes) {
  return TableRequest::Write(table, first, count, std::span<const uint8_t>(values, valueBytes));
}

TableRequest WholeLinkParameters(const ConfigRecord& record) {
  return TableRequest::Write(kLinkParametersTable, 0, kLinkParametersSize, record.LinkParameters());
}

TableRequest WholeModemCommand(const ConfigRecord& record) {
  return TableRequest::Write(kModemCommandTable, 0, 1, record.ModemField());
}

// Table 6 whole, in two requests: fields 0..242 and 243..254.
void AddWholeUnitLinks(std::vector<TableRequest>& writes, const ConfigRecord& record) {
  const uint8_t* units = record.UnitLinkBytes().data();
  const int rest = static_cast<int>(kUnitAddressCount) - kMaxWriteValues;
  writes.push_back(WriteOf(kUnitLinkTable, 0, kMaxWriteValues, units, kMaxWriteValues));
  writes.push_back(WriteOf(kUnitLinkTable, kMaxWriteValues, rest, units + kMaxWriteValues, rest));
}

// Sends the writes in order, stopping at the first that fails, with a step
// of the bar after each.
ChangeWriteResult SendWrites(LinkSession& session, const std::vector<TableRequest>& writes,
                             ProgressBar* progress) {
  ChangeWriteResult result;
  for (const TableRequest& write : writes) {
    if (!TransferTable(session, write)) {
      result.outcome = ChangeWriteOutcome::Failed;
      return result;
    }
    result.written.Add(write.writeTable());
    if (write.writeTable() == kLinkParametersTable) {
      FollowMasterSpeed(session, write.block[kBlockHeaderSize + kMasterSpeedIndexField]);
    }
    Advance(session, progress);
  }
  if (!writes.empty()) result.outcome = ChangeWriteOutcome::Written;
  return result;
}

// Table 6 in runs of fields whose new byte differs from the old one, each run
// at most as long as one request can carry.
void AddChangedUnitRuns(std::vector<TableRequest>& writes, std::span<const uint8_t> oldBytes,
                        std::span<const uint8_t> newBytes) {
  const int count = static_cast<int>(newBytes.size());
  int start = 0;
  while (start < count) {
    int first = start;
    while (first < count && newBytes[first] == oldBytes[first]) ++first;
    if (first == count) break;
    int length = 0;
    while (first + length < count && length < kMaxWriteValues &&
           newBytes[first + length] != oldBytes[first + length]) {
      ++length;
    }
    writes.push_back(WriteOf(kUnitLinkTable, first, length, newBytes.data() + first, length));
    start = first + length;
  }
}

}  // namespace

void WrittenTables::Add(int table) {
  switch (table) {
    case kLinkParametersTable: linkParameters = true; break;
    case kModemCommandTable: modemCommand = true; break;
    case kUnitLinkTable: unitLinks = true; break;
    default: break;
  }
}

std::vector<int> WrittenTables::Numbers() const {
  std::vector<int> numbers;
  if (linkParameters) numbers.push_back(kLinkParametersTable);
  if (modemCommand) numbers.push_back(kModemCommandTable);
  if (unitLinks) numbers.push_back(kUnitLinkTable);
  return numbers;
}

TableRequest TableRequest::Read(int table, int firstField, int count) {
  TableRequest r;
  r.block[kReadTable] = static_cast<uint8_t>(table);
  r.block[kReadFirst] = static_cast<uint8_t>(firstField);
  r.block[kReadCount] = static_cast<uint8_t>(count);
  return r;
}

TableRequest TableRequest::Write(int table, int firstField, int count,
                                 std::span<const uint8_t> values) {
  TableRequest r;
  r.block[kWriteTable] = static_cast<uint8_t>(table);
  r.block[kWriteFirst] = static_cast<uint8_t>(firstField);
  r.block[kWriteCount] = static_cast<uint8_t>(count);
  const std::size_t n = std::min<std::size_t>(values.size(), kMaxWriteValues);
  std::copy_n(values.begin(), n, r.block.begin() + kBlockHeaderSize);
  r.dataLength = kBlockHeaderSize + static_cast<int>(n);
  return r;
}

std::string TableOperationText(const TableRequest& request) { return OperationTextOf(request); }

std::string LinkPanelText(int portNumber, int32_t speed) {
  return Format(" COM%d,   %d бит/с", portNumber, speed);
}

bool TransferTable(LinkSession& session, const TableRequest& request) {
  ServiceUi& ui = session.ui;
  const bool isRead = request.readCount() != 0;
  const int table = isRead ? request.readTable() : request.writeTable();
  for (;;) {
    ui.ProcessPendingEvents();
    if (ui.StopRequested()) return false;
    ui.ShowOperationPanel(OperationTextOf(request));
    ui.ShowExchangePanel("Обмен...");
    ui.RepaintStatusLine();
    const bool done = RunRequest(session.context, kTableFunction, request.block.data(),
                                 request.dataLength, 0);
    ui.ShowExchangePanel("");
    if (!done) {
      ui.ShowOperationPanel(FailureText(session.context));
      ui.ProcessPendingEvents();
      const std::string line1 = isRead ? Format("Не выполнено чтение из таблицы %d.", table)
                                       : Format("Не выполнена запись в таблицу %d.", table);
      if (AskAgain(session, line1, Quoted(TableName(table)))) continue;
      return false;
    }
    if (isRead && !AnswerMatches(session.context, request)) {
      const std::string line2 = Format("Табл. %d \"%s\".", table, TableName(table).c_str());
      if (AskAgain(session, "Несоответствие запрошенных и переданных данных.", line2)) continue;
      return false;
    }
    ui.ShowOperationPanel("");
    ui.ProcessPendingEvents();
    return true;
  }
}

bool ReadIdentification(LinkSession& session, ConfigRecord& record) {
  return ReadInto(session, TableRequest::Read(kIdentificationTable, 0, kIdentificationSize),
                  record.Identification().data());
}

bool ReadSpeedAvailability(LinkSession& session, ConfigRecord& record) {
  return ReadInto(session, TableRequest::Read(kSpeedAvailabilityTable, 0, kSpeedMaskCount),
                  record.bytes.data() + ConfigRecord::kMasterSpeedMaskOffset);
}

bool ReadRestoreFlags(LinkSession& session, RestoreFlags& flags) {
  return ReadInto(session, TableRequest::Read(kRestoreFlagsTable, 0, kTableCount), flags.data());
}

bool ReadConfiguration(LinkSession& session, ConfigRecord& record, ProgressBar* progress) {
  const auto& tables = session.context.tables;
  const int writable = static_cast<int>(
      std::count_if(tables.begin(), tables.end(), [](const ConfigTableEntry& t) { return t.writable; }));
  // One step a read: the writable tables 3, 5 and 6, the second half of
  // table 6 and table 1.
  constexpr int kReadsBeyondWritableTables = 2;
  if (progress) progress->SetMaximum(writable + kReadsBeyondWritableTables);

  uint8_t* units = record.UnitLinkBytes().data();
  if (!ReadInto(session, TableRequest::Read(kLinkParametersTable, 0, kLinkParametersSize),
                record.LinkParameters().data())) {
    return false;
  }
  // A master speed index the table does not have is taken as 1200 bit/s.
  uint8_t& masterSpeed = record.LinkParameters()[kMasterSpeedIndexField];
  if (masterSpeed >= kSpeedCount) masterSpeed = kFallbackMasterSpeedIndex;
  Advance(session, progress);

  const struct {
    TableRequest request;
    uint8_t* into;
  } reads[] = {
      {TableRequest::Read(kModemCommandTable, 0, 1), record.ModemField().data()},
      {TableRequest::Read(kUnitLinkTable, 0, kFirstUnitReadCount), units},
      {TableRequest::Read(kUnitLinkTable, kFirstUnitReadCount,
                          kUnitAddressCount - kFirstUnitReadCount),
       units + kFirstUnitReadCount},
      {TableRequest::Read(kSpeedAvailabilityTable, 0, kSpeedMaskCount),
       record.bytes.data() + ConfigRecord::kMasterSpeedMaskOffset},
  };
  for (const auto& read : reads) {
    if (!ReadInto(session, read.request, read.into)) return false;
    Advance(session, progress);
  }
  Finish(session, progress);
  return true;
}

WrittenTables SelectedTables(const TableStatusBlock& status) {
  WrittenTables tables;
  for (int table = 0; table < kTableCount; ++table) {
    if (status[kWriteSelectionOffset + static_cast<std::size_t>(table)] != 0) tables.Add(table);
  }
  return tables;
}

bool ReadTables(LinkSession& session, const WrittenTables& tables, ConfigRecord& into) {
  if (tables.linkParameters &&
      !ReadInto(session, TableRequest::Read(kLinkParametersTable, 0, kLinkParametersSize),
                into.LinkParameters().data())) {
    return false;
  }
  if (tables.modemCommand &&
      !ReadInto(session, TableRequest::Read(kModemCommandTable, 0, 1), into.ModemField().data())) {
    return false;
  }
  if (!tables.unitLinks) return true;
  uint8_t* units = into.UnitLinkBytes().data();
  constexpr int kRest = static_cast<int>(kUnitAddressCount) - kFirstUnitReadCount;
  return ReadInto(session, TableRequest::Read(kUnitLinkTable, 0, kFirstUnitReadCount), units) &&
         ReadInto(session, TableRequest::Read(kUnitLinkTable, kFirstUnitReadCount, kRest),
                  units + kFirstUnitReadCount);
}

ChangeWriteResult WriteConfiguration(LinkSession& session, const ConfigRecord& record,
                                     const TableStatusBlock& status, ProgressBar* progress) {
  const WrittenTables selected = SelectedTables(status);
  if (progress) {
    const auto begin = status.begin() + kWriteSelectionOffset;
    // One step a selected table, and one for the second request of table 6.
    constexpr int kSecondUnitWrite = 1;
    const auto selectedTables =
        std::count_if(begin, begin + kTableCount, [](uint8_t b) { return b != 0; });
    progress->SetMaximum(static_cast<int>(selectedTables) + kSecondUnitWrite);
  }
  std::vector<TableRequest> writes;
  if (selected.linkParameters) writes.push_back(WholeLinkParameters(record));
  if (selected.modemCommand) writes.push_back(WholeModemCommand(record));
  if (selected.unitLinks) AddWholeUnitLinks(writes, record);
  const ChangeWriteResult result = SendWrites(session, writes, progress);
  if (result.outcome != ChangeWriteOutcome::Failed) Finish(session, progress);
  return result;
}

void FollowMasterSpeed(LinkSession& session, uint8_t masterSpeedIndex) {
  const int32_t speed = SpeedOfIndex(masterSpeedIndex);
  // An index outside the table names no speed; the link stays where it is
  // rather than switching to 0 bit/s.
  if (speed == 0) return;
  session.settings.exchangeSpeed = speed;
  session.context.exchangeSpeed = speed;
  session.ui.ShowLinkPanel(LinkPanelText(session.settings.portNumber, speed));
}

TableWrites ChangedTableWrites(const ConfigRecord& asRead, const ConfigRecord& meant) {
  TableWrites writes;
  if (!std::ranges::equal(meant.LinkParameters(), asRead.LinkParameters())) {
    writes.requests.push_back(WholeLinkParameters(meant));
  }
  if (!std::ranges::equal(meant.ModemField(), asRead.ModemField())) {
    writes.requests.push_back(WholeModemCommand(meant));
  }
  AddChangedUnitRuns(writes.requests, asRead.UnitLinkBytes(), meant.UnitLinkBytes());
  for (const TableRequest& request : writes.requests) writes.tables.Add(request.writeTable());
  return writes;
}

ChangeWriteResult WriteChangedTables(LinkSession& session, const TableWrites& writes) {
  return SendWrites(session, writes.requests, nullptr);
}

}  // namespace vkt53
