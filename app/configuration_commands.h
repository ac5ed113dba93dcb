// The configuration commands of the main window: the online editor over the
// device's configuration (read it whole, edit it, write back what changed),
// the configuration files (create or open, edit, offer to save), and the
// preview of a file before a table restore writes it.
#pragma once

#include "app/program_state.h"
#include "app/shell_ui.h"
#include "config/config_image.h"

namespace vkt53 {

// "Параметры конфигурации".
void RunOnlineConfiguration(ProgramState& state, ShellUi& ui);

// "Создание нового файла конфигурации" (newConfiguration) and
// "Просмотр/Корректировка файла конфигурации".
void RunConfigurationFileCommand(ProgramState& state, ShellUi& ui, bool newConfiguration);

// Shows the image in the file editor in device mode, over the speeds the
// device allows (all of them when they cannot be read). True when the user
// accepted it; it is then in the configuration record's tables 3, 5 and 6,
// for the restore to write.
bool PreviewRestoreImage(ProgramState& state, ShellUi& ui, ConfigImage& image);

}  // namespace vkt53
