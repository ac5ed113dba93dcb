#include "app/connection_sequence.h"

#include "app/configuration_commands.h"
#include "config/identification.h"
#include "link/clock.h"
#include "support/text_format.h"

namespace vkt53 {

namespace {

constexpr uint32_t kDtrSettleMs = 300;  // after DTR is raised, before the first request

using Identification = std::span<const uint8_t, kIdentificationSize>;

void ShowLinkOfSettings(const ProgramState& state, ShellUi& ui) {
  ui.ShowLinkPanel(
      LinkPanelText(state.link.settings.portNumber, state.link.settings.exchangeSpeed));
}

void RefreshMenu(const ProgramState& state, ShellUi& ui) { ui.ShowMenu(state.supportedDevice); }

bool ReadIdentificationOfDevice(ProgramState& state, ShellUi& ui) {
  return ui.RunTableOperation([&state](LinkSession& session) { return ReadIdentification(session, state.record); });
}

bool DeviceServed(Identification id, ShellUi& ui) {
  const std::optional<DeviceRefusal> refusal = RefusalOfDevice(id);
  if (refusal) ui.ShowNotice(refusal->line1, refusal->line2);
  return !refusal;
}

// The restore flags of table 7, read just now, in the table status window;
// the restore when the user chose to write.
void OfferTableRestore(ProgramState& state, ShellUi& ui) {
  RestoreFlags flags{};
  if (!ui.RunTableOperation([&flags](LinkSession& session) { return ReadRestoreFlags(session, flags); })) return;
  TableStatusBlock status = MakeTableStatusBlock(state.link.context.tables, flags);
  if (ui.ChooseTablesToWrite(status, state.link.settings.tableWriteLock))
    RunTableRestore(state, ui, status);
}

}  // namespace

std::optional<DeviceRefusal> RefusalOfDevice(Identification id) {
  if (id[kTypeCodeByte] != kServedTypeCode) {
    return DeviceRefusal{Format("Код типа подключенного устройства  %d", id[kTypeCodeByte]),
                         "Программа обслуживает кордины vkt53-sx"};
  }
  if (!SoftwareVersionServed(id[kSoftwareVersionByte])) {
    return DeviceRefusal{Format("Версия ПО подключенного кордина %d", id[kSoftwareVersionByte]),
                         "Программа обслуживает кордины vkt53-sx только с версией ПО 3 или 4"};
  }
  return std::nullopt;
}

void SettleLineBeforeFirstRequest(const PortHandle& port) {
  if (port) port->SetDtr(true);
  WaitMs(kDtrSettleMs);
}

void RunConnectionSequence(ProgramState& state, ShellUi& ui) {
  ShowLinkOfSettings(state, ui);
  if (!ui.ShowConnectionDialog(state.link)) return RefreshMenu(state, ui);
  ShowLinkOfSettings(state, ui);

  SettleLineBeforeFirstRequest(state.link.port());

  if (!ReadIdentificationOfDevice(state, ui) || !DeviceServed(state.record.Identification(), ui)) {
    return RefreshMenu(state, ui);
  }
  state.supportedDevice = true;
  RefreshMenu(state, ui);

  const uint8_t corrupted = state.record.Identification()[kCorruptedTableByte];
  if (corrupted == 0) return;
  ui.ShowOperationPanel(Format("Разрушена таблица № %d", corrupted));
  OfferTableRestore(state, ui);
}

void ForgetDevice(ProgramState& state, ShellUi& ui) {
  state.supportedDevice = false;
  ui.HideMenu();
  ui.ShowLinkPanel("");
}

void RunTableStatusCommand(ProgramState& state, ShellUi& ui) { OfferTableRestore(state, ui); }

void RunIdentificationCommand(ProgramState& state, ShellUi& ui) {
  if (!ReadIdentificationOfDevice(state, ui)) return;
  ui.ShowIdentification(state.record.Identification());
}

void RunTableRestore(ProgramState& state, ShellUi& ui, const TableStatusBlock& status) {
  ConfigImage image;
  if (!LoadConfigurationFile(ui.Files(), state.configFolder, state.configFilePath, image)) return;
  if (!PreviewRestoreImage(state, ui, image)) return;
  state.deviceReading.reset();  // the device will hold the file's tables, not what was read

  const bool checked = ui.RunTableOperation([&state, &ui, &status](LinkSession& session) {
    ui.ShowOperationPanel("");
    const std::unique_ptr<WaitWindow> wait = ui.OpenWaitWindow(WaitKind::Writing);
    const ChangeWriteResult written =
        WriteRestoredTables(session, state.record, status, wait->Progress());
    if (written.outcome == ChangeWriteOutcome::Failed) return false;
    RefreshMenu(state, ui);
    return ReadIdentification(session, state.record);
  });
  if (!checked) return;
  // The model and version are not checked again; a clean device gets no message.
  const uint8_t corrupted = state.record.Identification()[kCorruptedTableByte];
  if (corrupted != 0) ui.ShowNotice(Format("Разрушена таблица %d", corrupted), "");
}

ChangeWriteResult WriteRestoredTables(LinkSession& session, const ConfigRecord& record,
                                      const TableStatusBlock& status, ProgressBar& progress) {
  const ChangeWriteResult written = WriteConfiguration(session, record, status, &progress);
  session.ui.ShowExchangePanel("");
  if (written.outcome != ChangeWriteOutcome::Failed) WaitMs(kRestoreCheckPauseMs);
  return written;
}

}  // namespace vkt53
