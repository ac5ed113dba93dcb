// What the connection start-up sequence and the main window's commands need
// of the windows: the status line and the retry question (ServiceUi), the
// checked write's messages, questions, wait window and table operations
// (CheckedWriteUi), the menu, the windows they open and what those answer.
// The main window implements it; tests implement it to record what the user
// would see and to answer for the user. Every decision is made by the
// callers (app/connection_sequence.h, app/configuration_commands.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/config_file_flows.h"
#include "app/write_check.h"
#include "config/config_image.h"
#include "config/config_record.h"
#include "config/table_status.h"
#include "link/service_ui.h"

namespace vkt53 {

class LinkState;

// How the file editor closed.
struct FileEditorOutcome {
  bool accepted = false;  // "Принять", or "Записать в устройство" in device mode
  bool changed = false;  // the accepted image differs from the one shown
};

class ShellUi : public ServiceUi, public CheckedWriteUi {
 public:
  virtual void HideMenu() = 0;
  // Every item on every level, "Параметры" only when withParameters.
  virtual void ShowMenu(bool withParameters) = 0;
  virtual void BringToFront() = 0;

  // The connection parameters dialog, which stores the link settings and
  // opens the port; true when "Связаться" did so.
  virtual bool ShowConnectionDialog(LinkState& link) = 0;
  // The table status window over the block; true after either write
  // button, which has filled the block's write selection.
  virtual bool ChooseTablesToWrite(TableStatusBlock& block, uint8_t tableWriteLock) = 0;
  virtual void ShowIdentification(std::span<const uint8_t, kIdentificationSize> identification) = 0;
  // The online editor, changing the image in place; true when "Записать в
  // устройство" accepted it. Its own saving proposes files in configFolder.
  virtual bool EditDeviceConfiguration(ConfigImage& image, ConfigRecord& record,
                                       const std::string& configFolder) = 0;
  // The file editor, changing the image in place; device mode is the
  // preview before a table restore. The record supplies the speed masks.
  virtual FileEditorOutcome EditConfigurationFile(ConfigImage& image, ConfigRecord& record,
                                                  bool deviceMode) = 0;
  // The main window's file dialogs and messages for configuration files.
  virtual ConfigFileUi& Files() = 0;

  // The checked write's error and questions, unless overridden: the error
  // box of the file dialogs' messages; an exchange-result box naming the
  // backup by its file name; a question box naming the first differing
  // field and the number of the others; a question box naming the tables
  // written.
  void ShowError(const std::string& line1, const std::string& line2) override;
  void ShowWriteNotChecked(const std::string& backupPath) override;
  bool AskToRestoreBackup(const std::vector<FieldDifference>& differences,
                          const std::string& backupPath) override;
  bool AskToRestoreAfterPartialWrite(const WrittenTables& written,
                                     const std::string& backupPath) override;
};

}  // namespace vkt53
