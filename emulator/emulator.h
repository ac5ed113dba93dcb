// The device at work: reads the master link, answers requests at the right
// moment, keeps and saves its state.
#pragma once

#include <csignal>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "emulator/device_state.h"
#include "emulator/exchange_log.h"
#include "emulator/faults.h"
#include "emulator/frame_decoder.h"
#include "emulator/pty.h"
#include "emulator/wire_timing.h"

namespace emu {

struct EmulatorSettings {
  bool wireDelay = true;
  std::chrono::nanoseconds turnaround = std::chrono::milliseconds(3);
  std::string statePath;  // empty: nothing is saved
  FaultPlan faults;
};

class Emulator {
 public:
  Emulator(PseudoTerminal& terminal, DeviceState state, EmulatorSettings settings,
           ExchangeLog& log);

  // Runs until `stopRequested` is set (by a signal handler; the signals are
  // blocked outside the wait, so none is missed). False when the terminal
  // failed, which cannot happen while the emulator keeps it open.
  bool Run(const volatile std::sig_atomic_t& stopRequested, const sigset_t& waitMask);

  void SaveState();

 private:
  struct ScheduledAnswer {
    Clock::time_point due;
    std::vector<uint8_t> bytes;  // empty when a fault dropped it
    std::string note;            // for the log
  };

  bool WaitForWork(const sigset_t& waitMask);
  bool ReadIncoming(Clock::time_point now);
  void LogDropped();
  void AnswerFrames();
  void Answer(const ReceivedFrame& request);
  std::vector<uint8_t> MakeAnswer(const ReceivedFrame& request, uint64_t number,
                                  std::string* summary);
  Clock::time_point DueTime(const ReceivedFrame& request, size_t answerBytes) const;
  void SendDueAnswers(Clock::time_point now);
  void Transmit(const ScheduledAnswer& answer);
  void ForgetPendingAnswers();
  void ListenAtMasterSpeed();

  PseudoTerminal& terminal_;
  DeviceState state_;
  EmulatorSettings settings_;
  ExchangeLog& log_;
  int32_t listeningRate_;
  FrameDecoder decoder_;
  std::deque<ScheduledAnswer> answers_;
  uint64_t requestNumber_ = 0;
};

}  // namespace emu
