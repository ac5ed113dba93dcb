// The connection start-up sequence, run at start and after "Связь с другим
// устройством": the user opens the link, the device is identified, another
// model or software version is refused, and a corrupted table is offered
// for restoring from a configuration file. Also the commands that share its
// parts: the table status and the identification.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "app/program_state.h"
#include "app/shell_ui.h"
#include "config/table_status.h"

namespace vkt53 {

// After the restore's writes, before the identification is read again.
inline constexpr uint32_t kRestoreCheckPauseMs = 500;

// The two lines of the notice that refuses a device.
struct DeviceRefusal {
  std::string line1;
  std::string line2;
};

// Another model is refused whatever its software version; then a software
// version other than 3 or 4. Nothing for a served device.
std::optional<DeviceRefusal> RefusalOfDevice(
    std::span<const uint8_t, kIdentificationSize> identification);

// Raises DTR on the freshly opened link and lets the line settle before the
// first request (no control lines on some ports: that is not fatal).
void SettleLineBeforeFirstRequest(const PortHandle& port);

// The whole sequence, from the connection dialog on. It always ends with
// the menu shown again, "Параметры" only for a served device.
void RunConnectionSequence(ProgramState& state, ShellUi& ui);

// "Связь с другим устройством", before the sequence runs again: no device,
// an empty menu bar and an empty link panel. The port stays open; the
// connection dialog reopens it.
void ForgetDevice(ProgramState& state, ShellUi& ui);

// "Состояние таблиц параметров конфигурации": the restore flags, the table
// status window and, when the user chose to write, the table restore.
void RunTableStatusCommand(ProgramState& state, ShellUi& ui);

// "Параметры идентификации": reads the identification again and shows it.
void RunIdentificationCommand(ProgramState& state, ShellUi& ui);

// Loads a configuration file, lets the user confirm it in the file editor,
// writes the tables the block's write selection names and reads the
// identification again, reporting a table still corrupted.
void RunTableRestore(ProgramState& state, ShellUi& ui, const TableStatusBlock& status);

// The writes of a table restore, inside its table operation: the tables the
// block selects, whole from the record, with the bar following them, then
// the pause before the device is asked again.
ChangeWriteResult WriteRestoredTables(LinkSession& session, const ConfigRecord& record,
                                      const TableStatusBlock& status, ProgressBar& progress);

}  // namespace vkt53
