// The connection start-up sequence of the main window, run from the start
// timer at program start and after "Связь с другим устройством", and the
// table restore it shares with the table status command.
#include <QString>
#include <QTimer>

#include "app/ui/main_form.h"
#include "app/ui/common/qt_config_file_ui.h"
#include "app/ui/common/question.h"
#include "app/ui/wait.h"
#include "config/config_image.h"
#include "dialogs/ui/connpar.h"
#include "dialogs/ui/ident.h"
#include "dialogs/ui/tableinfo.h"
#include "link/clock.h"

namespace {

constexpr uint8_t kServedTypeCode = 8;
constexpr int kCorruptedTableByte = 0;
constexpr int kTypeCodeByte = 1;
constexpr int kSoftwareVersionByte = 3;
constexpr int kRestoreFlagsTable = 7;
constexpr uint32_t kDtrSettleMs = 300;
constexpr uint32_t kAfterRestoreMs = 500;

bool SoftwareServed(uint8_t version) { return version == 3 || version == 4; }

}  // namespace

void TFormMain::TimerStartTimer() {
  TimerStart->stop();
  ShowLinkOfSettings();
  bool connectRequested = false;
  {
    TFormConnPar dialog(state_, this);
    dialog.exec();
    connectRequested = dialog.connectRequested();
  }
  if (!connectRequested) return RefreshMenu();
  ShowLinkOfSettings();

  if (state_.port) state_.port->SetDtr(true);  // no control lines on some ports: not fatal
  WaitMs(kDtrSettleMs);

  if (!ReadIdentificationOfDevice()) return RefreshMenu();

  const auto id = state_.record.Identification();
  if (id[kTypeCodeByte] != kServedTypeCode) {
    MessageBox(MessageKind::Notice, QString("Код типа подключенного устройства  %1").arg(id[kTypeCodeByte]),
               "Программа обслуживает кордины vkt53-sx", this);
    return RefreshMenu();
  }
  if (!SoftwareServed(id[kSoftwareVersionByte])) {
    MessageBox(MessageKind::Notice, QString("Версия ПО подключенного кордина %1").arg(id[kSoftwareVersionByte]),
               "Программа обслуживает кордины vkt53-sx только с версией ПО 3 или 4", this);
    return RefreshMenu();
  }
  state_.supportedDevice = true;
  RefreshMenu();
  CheckCorruptedTables();
}

// A supported device that reports a corrupted table: show which, read the
// restore flags and let the user choose what to write back.
void TFormMain::CheckCorruptedTables() {
  const uint8_t corrupted = state_.record.Identification()[kCorruptedTableByte];
  if (corrupted == 0) return;
  ShowOperationPanel(QString("Разрушена таблица № %1").arg(corrupted).toStdString());
  if (!ReadRestoreFlags()) return;
  ShowTableStatus();
}

bool TFormMain::ReadIdentificationOfDevice() {
  return RunTableOperation([this](LinkSession& session) { return ReadIdentification(session, state_.record); });
}

bool TFormMain::ReadRestoreFlags() {
  return RunTableOperation([](LinkSession& session) {
    return TransferTable(session, TableRequest::Read(kRestoreFlagsTable, 0, kTableCount));
  });
}

// Offers the writable tables with the restore flags just read from table 7.
void TFormMain::ShowTableStatus() {
  TableStatusBlock status = MakeTableStatusBlock(state_.context->tables, state_.context->response.data() + 7);
  int result = 0;
  {
    TFormTableInfo window(status, state_.settings.tableWriteLock, this);
    window.exec();
    result = static_cast<int>(window.Choice());
  }
  if (result != 0) RunTableRestore(status);
}

void TFormMain::N1Click() {
  if (!ReadRestoreFlags()) return;
  ShowTableStatus();
}

void TFormMain::NidentClick() {
  if (!ReadIdentificationOfDevice()) return;
  TFormIdent window(state_.record.Identification(), this);
  window.exec();
}

void TFormMain::RunTableRestore(const TableStatusBlock& status) {
  ConfigImage image;
  QtConfigFileUi files(this, pod, SaveDialog1);
  if (!LoadConfigurationFile(files, state_.configFolder, state_.configFilePath, image)) return;
  if (!PreviewRestoreImage(image)) return;

  const bool checked = RunTableOperation([this, &status](LinkSession& session) {
    ShowOperationPanel("");
    TFormWait wait(WaitKind::Writing, this);
    wait.show();
    const bool written = WriteConfiguration(session, state_.record, status, &wait.progress());
    ShowExchangePanel("");
    if (!written) return false;
    WaitMs(kAfterRestoreMs);
    RefreshMenu();
    return ReadIdentification(session, state_.record);
  });
  if (!checked) return;
  const uint8_t corrupted = state_.record.Identification()[kCorruptedTableByte];
  if (corrupted != 0) {
    MessageBox(MessageKind::Notice, QString("Разрушена таблица %1").arg(corrupted), "", this);
  }
}
