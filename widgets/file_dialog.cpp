#include "widgets/file_dialog.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QTreeView>

namespace vkt53 {

namespace {

// Sizes in 1024-based units as file managers in Russian write them ("кБ",
// "МБ"); bytes as "Б", where the toolkit's word would be in the wrong case.
QString SizeText(const QLocale& locale, qint64 bytes) {
  if (bytes < 1024) return locale.toString(bytes) + QStringLiteral(" Б");
  return locale.formattedDataSize(bytes, 2, QLocale::DataSizeTraditionalFormat);
}

// The file list's sizes and dates as the program's locale writes them. The
// toolkit's list writes them in the system's locale, which the program
// cannot set: "1.18 KiB" and "9 Dec 2026" on a machine that speaks English.
class FileListInProgramLocale : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  QVariant data(const QModelIndex& index, int role) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (!files || role != Qt::DisplayRole) return QIdentityProxyModel::data(index, role);
    const QModelIndex file = mapToSource(index);
    const QLocale locale;
    switch (index.column()) {
      case kSizeColumn: return files->isDir(file) ? QString() : SizeText(locale, files->size(file));
      case kDateColumn: return locale.toString(files->lastModified(file), QLocale::ShortFormat);
      default: return QIdentityProxyModel::data(index, role);
    }
  }

 private:
  // The columns of the toolkit's file list.
  static constexpr int kSizeColumn = 1;
  static constexpr int kDateColumn = 3;
};

// The size, type and date columns as wide as what they show, which is
// longer in Russian than the toolkit's widths allow; the name takes the rest.
void ShowDetailsWhole(QFileDialog* dialog) {
  auto* list = dialog->findChild<QTreeView*>("treeView");
  if (!list) return;
  QHeaderView* header = list->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  for (int column = 1; column < header->count(); ++column) {
    header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  }
}

}  // namespace

QFileDialog* MakeFileDialog(QWidget* owner, const char* name) {
  auto* dialog = new QFileDialog(owner);
  dialog->setObjectName(name);
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setProxyModel(new FileListInProgramLocale(dialog));
  ShowDetailsWhole(dialog);
  return dialog;
}

}  // namespace vkt53
