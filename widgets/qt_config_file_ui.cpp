#include "widgets/qt_config_file_ui.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QStringList>

#include "widgets/file_dialog.h"
#include "widgets/question.h"
#include "widgets/widgets.h"

namespace vkt53 {

namespace {

// Qt reads the pattern from the parentheses of a filter's name.
QStringList QtFilters(const std::vector<FileFilter>& filters) {
  QStringList list;
  for (const FileFilter& f : filters) {
    const QString name = Q(f.description);
    list << (name.contains('(') ? name : name + " (" + Q(f.pattern) + ")");
  }
  return list;
}

// The dialogs are kept between uses and Qt's selectFile ignores an empty
// name, so an empty proposal clears the name line itself: it would still show
// the file chosen last time.
void ProposeName(QFileDialog* dialog, const QString& path) {
  if (!path.isEmpty()) return dialog->selectFile(path);
  if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) name->clear();
}

std::optional<std::string> ShowFileDialog(QFileDialog* dialog, const FileDialogRequest& request) {
  const QStringList filters = QtFilters(request.filters);
  dialog->setWindowTitle(Q(request.title));
  dialog->setDirectory(Q(request.initialFolder));
  dialog->setNameFilters(filters);
  if (request.selectedFilter >= 0 && request.selectedFilter < filters.size()) {
    dialog->selectNameFilter(filters[request.selectedFilter]);
  }
  ProposeName(dialog, Q(request.proposedPath));
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return std::nullopt;
  // Qt gives '/' on every platform; the program's paths (the proposed one
  // it compares with, the names it shows) use the platform's separator.
  return QDir::toNativeSeparators(dialog->selectedFiles().first()).toStdString();
}

}  // namespace

QFileDialog* ConfigFileDialog::Get() {
  if (!dialog_) {
    dialog_ = MakeFileDialog(owner_, objectName_);
  }
  return dialog_;
}

QtConfigFileUi::QtConfigFileUi(QWidget* owner, ConfigFileDialog& openDialog, ConfigFileDialog& saveDialog)
    : owner_(owner), openDialog_(&openDialog), saveDialog_(&saveDialog) {}

QtConfigFileUi::QtConfigFileUi(QWidget* owner, ConfigFileDialog& saveDialog)
    : owner_(owner), openDialog_(nullptr), saveDialog_(&saveDialog) {}

std::optional<std::string> QtConfigFileUi::ChooseOpenFile(const FileDialogRequest& request) {
  if (!openDialog_) return std::nullopt;
  QFileDialog* dialog = openDialog_->Get();
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setFileMode(QFileDialog::ExistingFile);
  return ShowFileDialog(dialog, request);
}

std::optional<std::string> QtConfigFileUi::ChooseSaveFile(const FileDialogRequest& request) {
  return ShowSaveDialog(saveDialog_->Get(), request);
}

std::optional<std::string> ShowSaveDialog(QFileDialog* dialog, const FileDialogRequest& request) {
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  // The only overwrite question is the program's own.
  dialog->setOption(QFileDialog::DontConfirmOverwrite);
  return ShowFileDialog(dialog, request);
}

bool QtConfigFileUi::AskQuestion(const std::string& line1, const std::string& line2) {
  return ShowMessage(MessageKind::Question, Q(line1), Q(line2), owner_);
}

void QtConfigFileUi::ShowError(const std::string& line1, const std::string& line2) {
  ShowMessage(MessageKind::Error, Q(line1), Q(line2), owner_);
}

void QtConfigFileUi::ShowNotice(const std::string& line1, const std::string& line2) {
  ShowMessage(MessageKind::Notice, Q(line1), Q(line2), owner_);
}

}  // namespace vkt53
