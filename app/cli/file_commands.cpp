#include "app/cli/file_commands.h"

#include <optional>
#include <vector>

#include "app/cli/config_text.h"
#include "app/cli/report_command.h"
#include "app/config_report.h"
#include "config/configuration_backup.h"
#include "app/field_difference.h"
#include "app/write_check.h"
#include "config/config_file.h"
#include "config/config_record.h"
#include "config/working_folders.h"
#include "support/text_format.h"

namespace vkt53 {

std::optional<ConfigImage> LoadFile(const std::string& path, Outcome& outcome) {
  ConfigImage image;
  switch (ReadConfigFile(path, image)) {
    case ConfigFileReadResult::kRead: return image;
    case ConfigFileReadResult::kCannotOpen:
      outcome.Fail(kExitFileError, {"Ошибка открытия файла", path});
      break;
    case ConfigFileReadResult::kNotConfigFile:
      outcome.Fail(kExitFileError, {Format("Файл %s не является файлом конфигурации",
                                           FileNameOfPath(path).c_str())});
      break;
  }
  return std::nullopt;
}

void Show(const CommandLine& line, Outcome& outcome) {
  const std::optional<ConfigImage> image = LoadFile(line.files[0], outcome);
  if (!image) return;
  outcome.lines = ConfigurationLines(*image);
  outcome.data.Set("file", line.files[0]).Set("configuration", ConfigurationJson(*image));
}

void Diff(const CommandLine& line, DeviceLink* link, Outcome& outcome) {
  std::optional<ConfigRecord> before;
  std::optional<ConfigImage> after;
  if (link) {
    after = LoadFile(line.files[0], outcome);
    if (!after || !link->Open(outcome) || !link->Identify(outcome) || !link->ReadWhole(outcome))
      return;
    before = link->record();
  } else {
    const std::optional<ConfigImage> first = LoadFile(line.files[0], outcome);
    if (!first) return;
    after = LoadFile(line.files[1], outcome);
    if (!after) return;
    before = MeantRecord(ConfigRecord{}, *first);
  }
  const std::vector<FieldDifference> differences =
      ConfigurationDifferences(*before, MeantRecord(ConfigRecord{}, *after));
  JsonValue list = JsonValue::Array();
  for (const FieldDifference& difference : differences) {
    outcome.lines.push_back(ChangeLine(difference));
    list.Push(DifferenceJson(difference));
  }
  if (differences.empty()) outcome.lines.push_back("Различий нет");
  outcome.data.Set("same", differences.empty()).Set("differences", std::move(list));
}

void Report(const CommandLine& line, DeviceLink* link, Outcome& outcome) {
  std::optional<ReportedConfiguration> configuration;
  if (link) {
    if (!link->Open(outcome) || !link->Identify(outcome) || !link->ReadWhole(outcome)) return;
    configuration = DeviceConfiguration(link->record(), link->choice().portName, BackupTimeNow());
  } else {
    const std::optional<ConfigImage> image = LoadFile(line.files[0], outcome);
    if (!image) return;
    configuration = FileConfiguration(*image, line.files[0]);
  }
  const SavedReport saved = SaveHtmlReport(*configuration, *line.output);
  if (!saved.written) {
    outcome.Fail(kExitFileError, saved.lines);
    return;
  }
  outcome.lines = saved.lines;
  outcome.data.Set("file", *line.output);
}

}  // namespace vkt53
