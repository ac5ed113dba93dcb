// A ShellUi that plays the windows and the user for the start-up sequence
// and the commands: it records what the user would see (status line,
// menu, messages, the windows opened and what they were given) and answers
// every dialog from a script. A window the script did not expect answers
// as a user closing it would.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/program_state.h"
#include "app/shell_ui.h"
#include "config/working_folders.h"
#include "tests/support/recording_ui.h"

namespace vkt53 {

struct Lines {
  std::string line1;
  std::string line2;
  bool operator==(const Lines&) const = default;
};

// The configuration files' dialogs and messages.
class RecordingFiles : public ConfigFileUi {
 public:
  std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override {
    ++openDialogs;
    return Next(openChoices);
  }
  std::optional<std::string> ChooseSaveFile(const FileDialogRequest&) override {
    ++saveDialogs;
    return Next(saveChoices);
  }
  bool AskQuestion(const std::string& line1, const std::string& line2) override {
    questions.push_back({line1, line2});
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void ShowError(const std::string& line1, const std::string& line2) override {
    errors.push_back({line1, line2});
  }
  void ShowNotice(const std::string& line1, const std::string& line2) override {
    notices.push_back({line1, line2});
  }

  std::deque<std::optional<std::string>> openChoices;  // none left: cancelled
  std::deque<std::optional<std::string>> saveChoices;
  std::deque<bool> answers;  // none left: "Нет"
  int openDialogs = 0;
  int saveDialogs = 0;
  std::vector<Lines> questions, errors, notices;

 private:
  static std::optional<std::string> Next(std::deque<std::optional<std::string>>& choices) {
    if (choices.empty()) return std::nullopt;
    auto choice = choices.front();
    choices.pop_front();
    return choice;
  }
};

class RecordingShell : public ShellUi {
 public:
  // What a file editor was shown.
  struct FileEditorCall {
    ConfigImage image;
    bool deviceMode = false;
    uint32_t masterSpeedMask = 0;
    uint32_t unitSpeedMask = 0;
  };
  struct TableStatusCall {
    TableStatusBlock block;
    uint8_t tableWriteLock = 0;
  };

  explicit RecordingShell(ProgramState& state) : state_(state) {}

  // ServiceUi, kept by a RecordingUi; a request shown outside a table
  // operation is noted, since it would run without the busy guard.
  void ShowLinkPanel(const std::string& text) override { status.ShowLinkPanel(text); }
  void ShowOperationPanel(const std::string& text) override {
    status.ShowOperationPanel(text);
    if (!text.empty()) events.push_back(text);
    if (IsRequest(text) && operationDepth_ == 0) requestsOutsideOperations.push_back(text);
  }
  void ShowExchangePanel(const std::string& text) override { status.ShowExchangePanel(text); }
  void RepaintStatusLine() override { status.RepaintStatusLine(); }
  void ProcessPendingEvents() override { status.ProcessPendingEvents(); }
  bool AskRetry(const std::string& line1, const std::string& line2) override {
    return status.AskRetry(line1, line2);
  }

  bool RunTableOperation(const TableOperation& operation) override {
    ++operations;
    ++operationDepth_;
    LinkSession session = state_.link.Session(*this);
    const bool succeeded = operation(session);
    --operationDepth_;
    return succeeded;
  }

  std::unique_ptr<WaitWindow> OpenWaitWindow(WaitKind kind) override {
    events.push_back(kind == WaitKind::Writing ? "wait window: writing" : "wait window: reading");
    waitWindowsInsideOperations += operationDepth_ > 0 ? 1 : 0;
    return std::make_unique<Wait>(*this);
  }

  void HideMenu() override {
    menuShown = false;
    events.push_back("menu hidden");
  }
  void ShowMenu(bool withParameters) override {
    menuShown = true;
    parametersShown = withParameters;
    events.push_back(withParameters ? "menu with parameters" : "menu without parameters");
  }
  void BringToFront() override { events.push_back("to front"); }

  void ShowNotice(const std::string& line1, const std::string& line2) override {
    notices.push_back({line1, line2});
    events.push_back("notice: " + line1);
  }
  void ShowExchangeResult(const std::string& line1, const std::string& line2) override {
    exchangeResults.push_back({line1, line2});
    events.push_back("exchange result: " + line1);
  }

  bool ShowConnectionDialog(LinkState& link) override {
    events.push_back("connection dialog");
    return connect ? connect(link) : false;
  }
  bool ChooseTablesToWrite(TableStatusBlock& block, uint8_t tableWriteLock) override {
    tableStatusCalls.push_back({block, tableWriteLock});
    events.push_back("table status window");
    return chooseTables ? chooseTables(block) : false;
  }
  void ShowIdentification(std::span<const uint8_t, kIdentificationSize> identification) override {
    shownIdentifications.emplace_back(identification.begin(), identification.end());
    events.push_back("identification window");
  }
  bool EditDeviceConfiguration(ConfigImage& image, ConfigRecord&, const std::string& configFolder) override {
    onlineEditorImages.push_back(image);
    onlineEditorFolder = configFolder;
    events.push_back("online editor");
    return editOnline ? editOnline(image) : false;
  }
  FileEditorOutcome EditConfigurationFile(ConfigImage& image, ConfigRecord& record, bool deviceMode) override {
    fileEditorCalls.push_back({image, deviceMode, record.MasterSpeedMask(), record.UnitSpeedMask()});
    events.push_back(deviceMode ? "file editor: device mode" : "file editor");
    return editFile ? editFile(image) : FileEditorOutcome{};
  }
  ConfigFileUi& Files() override { return files; }
  // Recorded; answered by restoreAnswer, or when it is unset by the plain
  // question box every ShellUi has (through files).
  bool AskToRestoreBackup(const std::vector<FieldDifference>& differences,
                          const std::string& backupPath) override {
    restoreQuestions.push_back({differences, FileNameOfPath(backupPath)});
    events.push_back("restore question");
    if (!restoreAnswer) return ShellUi::AskToRestoreBackup(differences, backupPath);
    return *restoreAnswer;
  }

  // The request texts of the operation panel, in order.
  std::vector<std::string> Requests() const {
    std::vector<std::string> requests;
    for (const std::string& text : status.operations) {
      if (IsRequest(text)) requests.push_back(text);
    }
    return requests;
  }

  // The script. Unset: the dialog is cancelled, the window closed with
  // "Выход".
  std::function<bool(LinkState&)> connect;
  std::function<bool(TableStatusBlock&)> chooseTables;  // fills the selection, as a write button does
  std::function<bool(ConfigImage&)> editOnline;         // true: "Записать в устройство"
  std::function<FileEditorOutcome(ConfigImage&)> editFile;
  std::optional<bool> restoreAnswer;  // "Записать в устройство резервную копию?"

  RecordingUi status;  // status line and retry answers ("Нет" when none are left)
  RecordingFiles files;

  std::vector<std::string> events;  // windows, menu and messages, with the operation texts among them
  std::vector<std::string> requestsOutsideOperations;
  int operations = 0;
  int waitWindowsInsideOperations = 0;
  bool menuShown = false;
  bool parametersShown = false;
  std::vector<Lines> notices, exchangeResults;
  std::vector<TableStatusCall> tableStatusCalls;
  std::vector<std::vector<uint8_t>> shownIdentifications;
  std::vector<ConfigImage> onlineEditorImages;
  std::string onlineEditorFolder;
  std::vector<FileEditorCall> fileEditorCalls;
  struct RestoreQuestion {
    std::vector<FieldDifference> differences;
    std::string backupFileName;
  };
  std::vector<RestoreQuestion> restoreQuestions;
  std::vector<RecordingProgress> closedWaitBars;  // the bar of each wait window, when it closed

 private:
  class Wait : public WaitWindow {
   public:
    explicit Wait(RecordingShell& shell) : shell_(shell) {}
    ~Wait() override {
      shell_.closedWaitBars.push_back(bar_);
      shell_.events.push_back("wait window closed");
    }
    ProgressBar& Progress() override { return bar_; }

   private:
    RecordingShell& shell_;
    RecordingProgress bar_;
  };

  static bool IsRequest(const std::string& text) {
    return text.rfind("Чтение", 0) == 0 || text.rfind("Запись", 0) == 0;
  }

  ProgramState& state_;
  int operationDepth_ = 0;
};

}  // namespace vkt53
