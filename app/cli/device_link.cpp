#include "app/cli/device_link.h"

#include "app/connection_sequence.h"
#include "dialogs/link_entry.h"
#include "dialogs/speed_search.h"
#include "link/port_operations.h"
#include "link/port_discovery.h"
#include "config/speed_table.h"
#include "support/decimal_field.h"
#include "support/file_io.h"
#include "support/text_format.h"

namespace vkt53 {

namespace {

// A device path: one with a folder in it, or a name that exists here. A
// network port's URL ("rfc2217://…", "tcp://…") has folders too and is
// opened as one.
bool LooksLikePath(const std::string& name) {
  return name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
         PathExists(name);
}

}  // namespace

void Ports(Outcome& outcome) {
  JsonValue list = JsonValue::Array();
  for (const PortInfo& port : OfferedPorts()) {
    const std::string shown = PortShownText(port);
    outcome.lines.push_back("COM" + std::to_string(port.number) + "  " + shown);
    JsonValue entry = JsonValue::Object();
    entry.Set("port", "COM" + std::to_string(port.number))
        .Set("device", port.devicePath)
        .Set("description", port.description)
        .Set("present", port.present)
        .Set("listedInComportsFile", port.listedInComportsFile)
        .Set("rts", RtsModeWord(port.rts))
        .Set("shown", shown);
    list.Push(std::move(entry));
  }
  outcome.data.Set("ports", std::move(list));
}

std::string ChooseLink(const CommandLine& line, const LinkSettings& stored, LinkChoice& choice) {
  choice.settings = stored;
  LinkSettings& settings = choice.settings;
  if (line.port) {
    if (const int number = ComPortNumber(*line.port); number != 0) {
      settings.portNumber = static_cast<uint8_t>(number);
    } else if (LooksLikePath(*line.port)) {
      choice.device = *line.port;
      choice.portName = *line.port;
    } else {
      return "порт " + *line.port +
             ": нужно имя COMn, путь к устройству или адрес rfc2217://УЗЕЛ:ПОРТ, tcp://УЗЕЛ:ПОРТ";
    }
  } else if (settings.portNumber < 1) {
    return "не указан порт (--port)";
  }
  if (choice.device.empty()) {
    const PortInfo port = DiscoverPort(settings.portNumber);
    choice.portName = Format("COM%d", settings.portNumber);
    choice.device = port.devicePath;
    choice.rts = port.rts;
    choice.portProblem = port.entryProblem;
  }
  if (line.rts) {
    choice.rts = *line.rts;
    choice.portProblem.clear();
  }
  if (line.speed) settings.exchangeSpeed = *line.speed;
  if (IndexOfSpeed(settings.exchangeSpeed) < 0) {
    return Format("скорость обмена %d из файла настроек не из таблицы скоростей (--speed)",
                  settings.exchangeSpeed);
  }

  LinkEntry entry = EntryOfSettings(settings);
  entry.portNumber = 1;  // any: the port is chosen above, by name or path
  if (line.attempts) {
    const DecimalField attempts = ParseDecimalField(*line.attempts);
    if (!attempts.IsValueIn(1, kAttemptChoices)) {
      return "Количество попыток обмена: Параметр вне допустимого диапазона";
    }
    entry.attemptsIndex = static_cast<int>(attempts.value) - 1;
  } else if (entry.attemptsIndex < 0) {
    return Format("количество попыток %d из файла настроек вне диапазона 1...5 (--attempts)",
                  settings.attemptCount);
  }
  if (line.firstByteWait) entry.firstByteWait = *line.firstByteWait;
  if (line.followingBytesWait) entry.followingBytesWait = *line.followingBytesWait;
  if (line.preambles) entry.preambleCount = *line.preambles;
  if (line.rtsPause) entry.rtsPause = *line.rtsPause;
  if (!IsEntryComplete(entry)) return "Введены не все параметры";
  const LinkEntryCheck check = CheckLinkEntry(entry, settings);
  if (check.failed != LinkEntryField::None) {
    return std::string(LinkEntryFieldName(check.failed)) + ": Параметр вне допустимого диапазона";
  }
  const uint8_t portNumber = settings.portNumber;
  settings = check.settings;
  settings.portNumber = portNumber;
  return {};
}

DeviceLink::DeviceLink(const LinkChoice& choice, TerminalUi& ui) : choice_(choice), ui_(ui) {
  link_.settings = choice.settings;
}

bool DeviceLink::Open(Outcome& outcome) {
  if (!choice_.portProblem.empty() || !link_.Open(choice_.device, choice_.rts)) {
    outcome.Fail(kExitLinkFailure, {"Коммуникационный порт " + choice_.portName + " недоступен"});
    const std::string reason =
        choice_.portProblem.empty() ? PortOpenFailureReason(choice_.device) : choice_.portProblem;
    if (!reason.empty()) {
      outcome.messages.push_back(reason);
    }
    return false;
  }
  return true;
}

bool DeviceLink::SearchSpeed(Outcome& outcome) {
  if (const std::string refusal = SpeedSearchRefusal(link_.context); !refusal.empty()) {
    outcome.Fail(kExitUsage, {refusal});
    return false;
  }
  ui_.BeginProgress();
  const int32_t found = SearchExchangeSpeed(
      link_.context,
      [this](int32_t speed) { ui_.ShowProgress(Format("Скорость обмена:  %d", speed)); },
      [this] { return ui_.StopRequested(); });
  ui_.EndProgress();
  if (found == 0) {
    if (ui_.StopRequested()) {
      outcome.Fail(kExitLinkFailure, ui_.FailureLines());
    } else {
      outcome.Fail(kExitLinkFailure, {"Связь не установлена"});
    }
    return false;
  }
  link_.settings.exchangeSpeed = found;
  link_.ApplySettings();
  outcome.lines.push_back("Получен ответ на запрос при скорости обмена - " + std::to_string(found) +
                          " бит/с");
  outcome.data.Set("foundSpeed", static_cast<int>(found));
  return true;
}

bool DeviceLink::Identify(Outcome& outcome) {
  SettleLineBeforeFirstRequest(link_.port());
  if (!ReadIdentification(session_, record_)) {
    outcome.Fail(kExitLinkFailure, ui_.FailureLines());
    return false;
  }
  if (const auto refusal = RefusalOfDevice(record_.Identification())) {
    outcome.Fail(kExitRefused, {refusal->line1, refusal->line2});
    return false;
  }
  return true;
}

bool DeviceLink::ReadWhole(Outcome& outcome) {
  ui_.BeginProgress();
  const bool read = ReadConfiguration(session_, record_, &ui_);
  ui_.EndProgress();
  if (!read) {
    outcome.Fail(kExitLinkFailure, ui_.FailureLines());
    outcome.messages.push_back("Параметры конфигурирования не прочитаны");
  }
  return read;
}

JsonValue LinkJson(const DeviceLink& link) {
  JsonValue out = JsonValue::Object();
  out.Set("port", link.choice().portName).Set("device", link.choice().device);
  return out;
}

}  // namespace vkt53
