// The configuration commands of the main window: the online editor over the
// device's configuration, the configuration files, and the preview of a file
// before the table restore writes it.
#include <QAction>
#include <QApplication>
#include <QMenuBar>

#include <memory>

#include "app/ui/common/busy_cursor.h"
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
  LinkSession session = Session();
  BusyCursor busy;
  auto wait = std::make_unique<TFormWait>(WaitKind::Reading, this);
  // No command may start while the tables are read. Only the menu is taken
  // away: disabling the whole window would grey out the wait window and the
  // status line that show the progress.
  menuBar()->setEnabled(false);
  wait->show();
  QApplication::processEvents();
  const bool read = ReadConfiguration(session, state_.record, &wait->progress());
  wait.reset();
  menuBar()->setEnabled(true);
  busy.Restore();
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

  BusyCursor writing;
  const ChangeWriteOutcome outcome = WriteChangedTables(session, state_.record, image);
  writing.Restore();
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
  LinkSession session = Session();
  if (!ReadSpeedAvailability(session, state_.record)) state_.record.SetAllSpeedsAvailable();
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
