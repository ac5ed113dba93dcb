#include "app/configuration_commands.h"

#include "app/config_report_export.h"
#include "app/write_check.h"
#include "app/config_file_flows.h"

namespace vkt53 {

namespace {

// An accepted configuration is offered for saving when the editor changed
// it, or when it is new: a new configuration exists nowhere else.
bool SaveOffered(const FileEditorOutcome& outcome, bool newConfiguration) {
  return outcome.accepted && (outcome.changed || newConfiguration);
}

void OfferToSave(ProgramState& state, ShellUi& ui, const ConfigImage& image) {
  SaveConfigurationFile(ui.Files(), state.configFolder, state.configFilePath, image);
}

bool ReadWholeConfiguration(ProgramState& state, ShellUi& ui) {
  return ui.RunTableOperation([&state, &ui](LinkSession& session) {
    const std::unique_ptr<WaitWindow> wait = ui.OpenWaitWindow(WaitKind::Reading);
    return ReadConfiguration(session, state.record, &wait->Progress());
  });
}

}  // namespace

void RunOnlineConfiguration(ProgramState& state, ShellUi& ui) {
  if (!ReadWholeConfiguration(state, ui)) {
    ui.ShowExchangeResult("Параметры конфигурирования не прочитаны", "");
    return;
  }
  state.deviceReading = DeviceConfiguration(state.record, LinkPortName(state), BackupTimeNow());
  ui.BringToFront();

  ConfigImage image;
  NewConfigurationImage(image);
  ImageFromRecord(state.record, image);
  if (!ui.EditDeviceConfiguration(image, state.record, state.configFolder)) return;

  // A backup first, then what changed, then the check of what the device holds.
  const ConfigRecord meant = MeantRecord(state.record, image);
  const TableWrites writes = ChangedTableWrites(state.record, meant);
  const WritePlan plan{meant, writes.tables, [&writes](LinkSession& session) {
                         return WriteChangedTables(session, writes);
                       }};
  const CheckedWriteResult written =
      WriteWithBackup(ui, state.record, plan, state.configFolder, BackupTimeNow());
  FollowCheckedWrite(state, written, meant, BackupTimeNow());
}

void RunConfigurationFileCommand(ProgramState& state, ShellUi& ui, bool newConfiguration) {
  ConfigImage image;
  if (newConfiguration) {
    NewConfigurationImage(image);
  } else if (!LoadConfigurationFile(ui.Files(), state.configFolder, state.configFilePath, image)) {
    return;
  }
  const FileEditorOutcome outcome = ui.EditConfigurationFile(image, state.record, false);
  if (SaveOffered(outcome, newConfiguration)) OfferToSave(state, ui, image);
}

bool PreviewRestoreImage(ProgramState& state, ShellUi& ui, ConfigImage& image) {
  const bool masksRead = ui.RunTableOperation(
      [&state](LinkSession& session) { return ReadSpeedAvailability(session, state.record); });
  if (!masksRead) state.record.SetAllSpeedsAvailable();
  const FileEditorOutcome outcome = ui.EditConfigurationFile(image, state.record, true);
  if (!outcome.accepted) return false;
  // The offer's answer does not change what is written.
  if (SaveOffered(outcome, false)) OfferToSave(state, ui, image);
  RecordFromImage(image, state.record);
  return true;
}

}  // namespace vkt53
