// What the connection start-up sequence and the main window's commands need
// of the windows: the status line and the retry question (ServiceUi), the
// menu, the message boxes, the windows they open and what those answer, the
// wait window, and running a table operation while no command can start.
// The main window implements it; tests implement it to record what the user
// would see and to answer for the user. Every decision is made by the
// callers (app/connection_sequence.h, app/configuration_commands.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/field_difference.h"
#include "app/config_file_flows.h"
#include "config/config_image.h"
#include "config/config_record.h"
#include "config/table_status.h"
#include "link/conffun.h"
#include "link/service_ui.h"

namespace vkt53 {

class LinkState;

enum class WaitKind { Writing, Reading };

// The wait window, shown without being modal while the object lives. It is
// on the screen, painted, when OpenWaitWindow returns: the exchanges that
// follow hold the thread.
class WaitWindow {
 public:
  virtual ~WaitWindow() = default;
  // The bar the table read/write service advances.
  virtual ProgressBar& Progress() = 0;
};

// How the file editor closed.
struct FileEditorOutcome {
  bool accepted = false;  // "Принять", or "Записать в устройство" in device mode
  bool changed = false;  // the accepted image differs from the one shown
};

// The requests of one table operation; true when they succeeded.
using TableOperation = std::function<bool(LinkSession&)>;

class ShellUi : public ServiceUi {
 public:
  // Runs the operation on the program's link with the busy cursor shown. No
  // command starts and the main window does not close until it has ended.
  virtual bool RunTableOperation(const TableOperation& operation) = 0;
  virtual std::unique_ptr<WaitWindow> OpenWaitWindow(WaitKind kind) = 0;

  virtual void HideMenu() = 0;
  // Every item on every level, "Параметры" only when withParameters.
  virtual void ShowMenu(bool withParameters) = 0;
  virtual void BringToFront() = 0;

  // Message boxes of the notice and the exchange-result kinds.
  virtual void ShowNotice(const std::string& line1, const std::string& line2) = 0;
  virtual void ShowExchangeResult(const std::string& line1, const std::string& line2) = 0;

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
  // After a write, the fields the device holds otherwise than written (at
  // least one), and the question whether to write the backup, saved before
  // the write, back; true for "Да". Unless overridden a question box names
  // the first field and the number of the others (app/write_check.cpp).
  virtual bool AskToRestoreBackup(const std::vector<FieldDifference>& differences,
                                  const std::string& backupFileName);
  // After a write that failed part-way (the retry question answered "Нет"),
  // the tables written (at least one) and the question whether to write the
  // backup's copies of them back; true for "Да". Unless overridden a
  // question box names them (app/write_check.cpp).
  virtual bool AskToRestoreAfterPartialWrite(const WrittenTables& written,
                                             const std::string& backupFileName);
};

}  // namespace vkt53
