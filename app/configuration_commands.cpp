// The configuration commands of the main window. Until the editors exist the
// restore takes the file as it is, without a preview.
#include "app/main_form.h"

void TFormMain::N2Click() {}

void TFormMain::NCnfClick(QAction*) {}

bool TFormMain::PreviewRestoreImage(ConfigImage& image) {
  RecordFromImage(image, state_.record);
  return true;
}
