// A ServiceUi that records what a user would see in the status line and
// answers the retry questions from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "link/service_ui.h"

namespace vkt53 {

class RecordingUi : public ServiceUi {
 public:
  struct Question {
    std::string line1;
    std::string line2;
  };

  void ShowLinkPanel(const std::string& text) override { linkPanel = text; }
  void ShowOperationPanel(const std::string& text) override {
    operationPanel = text;
    if (!text.empty()) operations.push_back(text);
  }
  void ShowExchangePanel(const std::string& text) override { exchangePanel = text; }
  void RepaintStatusLine() override { ++repaints; }
  void ProcessPendingEvents() override { ++eventTurns; }
  bool AskRetry(const std::string& line1, const std::string& line2) override {
    questions.push_back({line1, line2});
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }

  bool StopRequested() const override { return stopRequested; }

  // Operation texts that name a request (failure lines filtered out).
  std::vector<std::string> Requests() const {
    std::vector<std::string> out;
    for (const auto& op : operations) {
      if (op.rfind("Команда", 0) != 0) out.push_back(op);
    }
    return out;
  }

  std::string linkPanel, operationPanel, exchangePanel;
  std::vector<std::string> operations;
  std::vector<Question> questions;
  std::deque<bool> answers;  // "Да" = true; none left = "Нет"
  bool stopRequested = false;  // as Ctrl-C sets it for vkt53-cli
  int repaints = 0;
  int eventTurns = 0;
};

class RecordingProgress : public ProgressBar {
 public:
  void SetMaximum(int m) override { maximum = m; }
  int Maximum() const override { return maximum; }
  void SetPosition(int p) override {
    position = p;
    positions.push_back(p);
  }
  int Position() const override { return position; }

  int maximum = 100;
  int position = 0;
  std::vector<int> positions;
};

}  // namespace vkt53
