// The table read/write service and the writing of an edited configuration,
// against the emulator (and, for answers a sound device never gives, a
// scripted far end), seen through what the status line and the retry
// question show.
#include <gtest/gtest.h>

#include <fstream>
#include <future>

#include "config/config_image.h"
#include "link/conffun.h"
#include "link/crc16.h"
#include "link/port.h"
#include "support/emulator_process.h"
#include "support/pty_peer.h"
#include "support/recording_ui.h"

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

namespace {

// The link to a device on a terminal, the way the program holds it.
struct Link {
  explicit Link(const std::string& terminal, int32_t speed) {
    port = OpenPortDevice(terminal, 1200, 8, 0, 0, 1000, 1000, 1, 1);
    settings.exchangeSpeed = speed;
    settings.firstByteWaitSec = 1;
    LoadExchangeParameters(context, settings, port);
  }
  LinkSession session() { return {context, settings, ui}; }

  PortHandle port;
  LinkSettings settings;
  ExchangeContext context;
  RecordingUi ui;
};

class WithEmulator : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> options = {}) {
    options.insert(options.end(), {"--no-wire-delay", "--speed", "115200"});
    emulator = std::make_unique<EmulatorProcess>(VKT53_EMU_PATH, options);
    link = std::make_unique<Link>(emulator->terminalPath(), 115200);
    ASSERT_TRUE(link->port);
  }
  LinkSession session() { return link->session(); }
  RecordingUi& ui() { return link->ui; }

  // Reads the whole configuration; the image the editor would show.
  ConfigImage ReadImage(ConfigRecord& record) {
    LinkSession s = session();
    EXPECT_TRUE(ReadConfiguration(s, record, nullptr));
    ConfigImage image;
    NewConfigurationImage(image);
    ImageFromRecord(record, image);
    return image;
  }

  std::unique_ptr<EmulatorProcess> emulator;
  std::unique_ptr<Link> link;
};

Bytes WithCrc(Bytes frame) {
  const uint16_t crc = Crc16(frame.data(), frame.size());
  frame.push_back(static_cast<uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<uint8_t>(crc >> 8));
  return frame;
}

}  // namespace

TEST(TableService, OperationTextsNameTheFieldRange) {
  PtyPeer peer;
  Link link(peer.slavePath(), 115200);
  link.context.firstByteWaitMs = 200;
  LinkSession session = link.session();
  EXPECT_FALSE(TransferTable(session, TableRequest::Read(0, 0, 17)));
  EXPECT_FALSE(TransferTable(session, TableRequest::Write(5, 0, 1, Bytes(64, 0))));
  EXPECT_FALSE(TransferTable(session, TableRequest::Read(7, 3, 1)));
  EXPECT_EQ(link.ui.Requests(), (std::vector<std::string>{"Чтение из таблицы 0 (поля 0-17)",
                                                           "Запись в таблицу 5 (поле 0)",
                                                           "Чтение из таблицы 7 (поле 3)"}));
  ASSERT_EQ(link.ui.questions.size(), 3u);
  EXPECT_EQ(link.ui.questions[0].line1, "Не выполнено чтение из таблицы 0.");
  EXPECT_EQ(link.ui.questions[0].line2, "\"Общие параметры идентификации\"");
  EXPECT_EQ(link.ui.questions[1].line1, "Не выполнена запись в таблицу 5.");
  EXPECT_EQ(link.ui.questions[1].line2, "\"Командная строка модема\"");
  EXPECT_NE(std::find(link.ui.operations.begin(), link.ui.operations.end(),
                      "Команда 29.  Устройство не отвечает"),
            link.ui.operations.end())
      << "the failure line is shown in the operation panel";
  EXPECT_EQ(link.ui.operationPanel, "") << "cleared after the question";
  EXPECT_EQ(link.ui.exchangePanel, "");
}

TEST(TableService, AWrongEchoIsAskedAboutAndReadAgain) {
  PtyPeer peer;
  Link link(peer.slavePath(), 115200);
  link.ui.answers = {true, false};
  auto far = std::async(std::launch::async, [&peer] {
    Bytes answer = {0x33, 0, 0, 0x9D, 0, 0, 16};  // echoes 16 fields instead of 17
    answer.resize(answer.size() + 16, 1);
    answer[2] = static_cast<uint8_t>(answer.size() + 2);
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(peer.Receive(12, 5s).size(), 12u) << "the same read is sent again after \"Да\"";
      peer.Send(WithCrc(answer));
    }
  });
  LinkSession session = link.session();
  EXPECT_FALSE(TransferTable(session, TableRequest::Read(0, 0, 17)));
  far.get();
  ASSERT_EQ(link.ui.questions.size(), 2u);
  EXPECT_EQ(link.ui.questions[0].line1, "Несоответствие запрошенных и переданных данных.");
  EXPECT_EQ(link.ui.questions[0].line2, "Табл. 0 \"Общие параметры идентификации\".");
}

TEST(TableService, AnAnswerWithFewerValuesThanAskedIsNotTaken) {
  PtyPeer peer;
  Link link(peer.slavePath(), 115200);
  auto far = std::async(std::launch::async, [&peer] {
    peer.Receive(12, 5s);
    peer.Send(WithCrc({0x33, 0, 12, 0x9D, 3, 0, 7, 2, 3, 5}));  // echo right, 3 values of 7
  });
  ConfigRecord record;
  record.LinkParameters()[6] = 0x77;
  LinkSession session = link.session();
  EXPECT_FALSE(ReadConfiguration(session, record, nullptr));
  far.get();
  EXPECT_EQ(record.LinkParameters()[6], 0x77) << "no stale bytes copied into the record";
  ASSERT_EQ(link.ui.questions.size(), 1u);
  EXPECT_EQ(link.ui.questions[0].line1, "Несоответствие запрошенных и переданных данных.");
}
