// The configuration commands of the main window: the online editor over the
// device's configuration, the configuration files, and the preview of a file
// before the table restore writes it.
#include <QAction>
#include <QApplication>

#include "app/ui/main_form.h"
#include "app/ui/common/qt_config_file_ui.h"
#include "app/ui/common/question.h"
#include "app/ui/wait.h"
#include "config/config_file_dialogs.h"
#include "config/ui/config_editor.h"

namespace {

constexpr int kNewConfigurationTag = 0;

}  // namespace

void TFormMain::N2Click() {
  const bool read = RunTableOperation([this](LinkSession& session) {
    TFormWait wait(WaitKind::Reading, this);
    wait.show();
    QApplication::processEvents();
    return ReadConfiguration(session, state_.record, &wait.progress());
  });
  if (!read) {
    MessageBox(MessageKind::ExchangeResult, QStringLiteral("Параметры конфигурирования не прочитаны"), QString(),
               this);
    return;
  }
  raise();
  activateWindow();

  ConfigImage image;
  NewConfigurationImage(image);
  ImageFromRecord(state_.record, image);
  bool writeRequested = false;
  {
    TFormRealConfig editor(image, state_.record, state_.configFolder, this);
    editor.exec();
    writeRequested = editor.writeRequested();
  }
  if (!writeRequested) return;

  ChangeWriteOutcome outcome = ChangeWriteOutcome::Failed;
  RunTableOperation([this, &image, &outcome](LinkSession& session) {
    outcome = WriteChangedTables(session, state_.record, image);
    return outcome != ChangeWriteOutcome::Failed;
  });
  // A failed write has been reported by the table service itself.
  if (outcome == ChangeWriteOutcome::NothingChanged) {
    MessageBox(MessageKind::Notice, QStringLiteral("Запись таблиц не выполняется."),
               QStringLiteral("Нет измененных данных"), this);
  }
}

void TFormMain::NCnfClick(QAction* item) {
  const bool isNew = item->data().toInt() == kNewConfigurationTag;
  QtConfigFileUi files(this, pod, SaveDialog1);
  ConfigImage image;
  if (isNew) {
    NewConfigurationImage(image);
  } else if (!LoadConfigurationFile(files, state_.configFolder, state_.configFilePath, image)) {
    return;
  }
  bool accepted = false;
  bool changed = false;
  {
    TFormConfig editor(image, state_.record, this);
    editor.exec();
    accepted = editor.accepted();
    changed = editor.changed();
  }
  // A new configuration exists nowhere else, so it is offered even unchanged.
  if (accepted && (changed || isNew)) {
    SaveConfigurationFile(files, state_.configFolder, state_.configFilePath, image);
  }
}

bool TFormMain::PreviewRestoreImage(ConfigImage& image) {
  const bool masksRead =
      RunTableOperation([this](LinkSession& session) { return ReadSpeedAvailability(session, state_.record); });
  if (!masksRead) state_.record.SetAllSpeedsAvailable();
  bool accepted = false;
  bool changed = false;
  {
    TFormConfig editor(image, state_.record, this);
    editor.setDeviceMode(true);
    editor.exec();
    accepted = editor.accepted();
    changed = editor.changed();
  }
  if (!accepted) return false;
  if (changed) {
    QtConfigFileUi files(this, pod, SaveDialog1);
    SaveConfigurationFile(files, state_.configFolder, state_.configFilePath, image);
  }
  RecordFromImage(image, state_.record);
  return true;
}
