// The Windows side on a line: the core's Win32 serial layer, program folder
// and files, run under wine against the device emulator.
//
//   windows_check device PORT       a working device on COMPORT
//   windows_check no-answer         COM1 gives no answer: result 10 in time
//   windows_check bad-checksum      COM1 answers with a bad checksum: 7
//   windows_check short-answer      COM1 answers 3 bytes short: 5
//   windows_check device-error      COM1 answers device error 24, reason 7: 12
//   windows_check files             the program folder and its files
//   windows_check ports             what the connection dialog shows for COM1 .. COM12
//
// Each run prints its checks and "N passed, M failed"; it exits 1 on any
// failure.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/settings_file.h"
#include "config/config_file.h"
#include "support/file_io.h"
#include "config/working_folders.h"
#include "link/conffun.h"
#include "link/port_operations.h"
#include "link/port_discovery.h"
#include "support/program_folder.h"
#include "link/result_codes.h"
#include "support/wide_text.h"
#include "tests/support/test_link.h"

using namespace vkt53;

namespace {

int gPassed = 0;
int gFailed = 0;

bool Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  ++(ok ? gPassed : gFailed);
  return ok;
}

// The tables of the read requests the status line showed, in order.
std::string ReadTables(const RecordingUi& ui) {
  std::string tables;
  for (const std::string& request : ui.Requests()) {
    const std::string prefix = "Чтение из таблицы ";
    if (request.rfind(prefix, 0) != 0) continue;
    const std::string rest = request.substr(prefix.size());
    if (!tables.empty()) tables += ' ';
    tables += rest.substr(0, rest.find(' '));
  }
  return tables;
}

HANDLE OpenRawPort(int portNumber) {
  return CreateFileW(WideFromUtf8(PortDeviceName(portNumber)).c_str(),
                     GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// Another program's leftovers: software flow control and character handling
// switched on, as a terminal program may leave a port.
bool LeavePortWithXonXoff(int portNumber) {
  const HANDLE handle = OpenRawPort(portNumber);
  if (handle == INVALID_HANDLE_VALUE) return false;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  bool done = GetCommState(handle, &dcb) != FALSE;
  if (done) {
    dcb.fOutX = TRUE;
    dcb.fInX = TRUE;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.fNull = TRUE;
    dcb.fAbortOnError = TRUE;
    done = SetCommState(handle, &dcb) != FALSE;
  }
  CloseHandle(handle);
  return done;
}

void CheckDevice(int portNumber) {
  const std::string com = "COM" + std::to_string(portNumber);
  {
    TestLink link(portNumber, 115200, 2);
    if (!Check(link.port != nullptr, com + " opens as " + PortDeviceName(portNumber))) return;
    ConfigRecord record;
    Check(ReadIdentification(link.session, record) && record.Identification()[1] == 8,
          "identification read, type code 8");
    link.ui.operations.clear();
    Check(ReadConfiguration(link.session, record, nullptr), "whole configuration read");
    Check(ReadTables(link.ui) == "3 5 6 6 1", "tables read: " + ReadTables(link.ui));

    // A unit entry other than the one the device holds, so that there is
    // always something to write.
    ConfigImage edited;
    ImageFromRecord(record, edited);
    const uint8_t speedIndex = GetUnitEntry(edited, 5).speedIndex == 11 ? 12 : 11;
    const UnitEntry unit{1, kPortB, speedIndex};
    SetUnitEntry(edited, 5, unit);
    ConfigRecord meant = record;
    RecordFromImage(edited, meant);
    Check(WriteChangedTables(link.session, ChangedTableWrites(record, meant)).outcome ==
              ChangeWriteOutcome::Written,
          "changed unit 5 written");
    ConfigRecord again;
    Check(ReadConfiguration(link.session, again, nullptr) &&
              again.UnitLinkBytes()[5] == MakeUnitLinkByte(kPortB, speedIndex),
          "unit 5 read back as written");
    // Flow-control bytes in the device's tables, for the check below.
    const uint8_t xonXoff[] = {0x13, 0x11, 0x13};
    Check(TransferTable(link.session, TableRequest::Write(6, 7, 3, xonXoff)),
          "units 7..9 written as 13 11 13");
  }

  Check(LeavePortWithXonXoff(portNumber), com + " left with XON/XOFF by another program");
  TestLink link(portNumber, 115200, 2);
  if (!Check(link.port != nullptr, com + " opens again")) return;
  ConfigRecord record;
  const bool read = ReadConfiguration(link.session, record, nullptr);
  const auto units = record.UnitLinkBytes();
  Check(read && units[7] == 0x13 && units[8] == 0x11 && units[9] == 0x13,
        "the bytes 13 11 13 read back through that port (result " +
            std::to_string(link.context.resultCode) + ")");
  const uint8_t cleared[] = {0, 0, 0};
  Check(TransferTable(link.session, TableRequest::Write(6, 7, 3, cleared)), "units 7..9 cleared");
}

// One request against a device that misbehaves as the emulator was told.
void CheckFailure(int expectedCode, const std::string& what, int firstByteWaitSec = 1) {
  TestLink link(1, 115200, firstByteWaitSec);
  if (!Check(link.port != nullptr, "COM1 opens")) return;
  ConfigRecord record;
  const auto start = std::chrono::steady_clock::now();
  const bool ok = ReadIdentification(link.session, record);
  const auto took = std::chrono::steady_clock::now() - start;
  Check(!ok && link.context.resultCode == expectedCode,
        what + ": result " + std::to_string(link.context.resultCode) + ", expected " +
            std::to_string(expectedCode));
  const std::string failure = FailureText(link.context);
  Check(std::find(link.ui.operations.begin(), link.ui.operations.end(), failure) !=
            link.ui.operations.end(),
        "the status line showed the failure text");
  Check(link.ui.questions.size() == 1 &&
            link.ui.questions[0].line1 == "Не выполнено чтение из таблицы 0.",
        "the retry question was asked once");
  // The first read may wait its per-byte time-out beyond the first-byte wait;
  // the RTS pause, the hold and wine's own latency get half a second.
  const double ms = std::chrono::duration<double, std::milli>(took).count();
  const double limit = firstByteWaitSec * 1000.0 + 1000.0 + 500.0;
  Check(ms < limit, "ended in " + std::to_string(static_cast<int>(ms)) + " ms (limit " +
                        std::to_string(static_cast<int>(limit)) + ")");
  if (expectedCode == kResultNoAnswer) {
    Check(ms >= firstByteWaitSec * 1000.0, "waited the whole first-byte wait");
  }
  if (expectedCode == kResultValveError) {
    Check(link.context.messages[kReasonSlot] == link.context.messages[kReasonBase + 7],
          "the reason text of reason 7 is kept");
  }
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The program folder as UTF-8, and the files beside it: the check is copied
// into folders named with Cyrillic and accented letters.
void CheckFiles(const std::string& expectedFolderEnd) {
  const std::string folder = ProgramFolder();
  Check(EndsWith(folder, expectedFolderEnd + "\\"), "program folder " + folder);
  Check(WorkingFolder() == folder, "INI and CONFIG beside a program that can write there");
  Check(CreateWorkingFolders(folder), "CONFIG and INI created");
  const std::wstring wideFolder = WideFromUtf8(folder);
  Check(GetFileAttributesW((wideFolder + L"CONFIG").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
        "CONFIG is there for the wide calls");

  const std::string settingsPath = SettingsFilePath(IniFolderPath(folder));
  LinkSettings settings;
  settings.portNumber = 5;
  settings.exchangeSpeed = 9600;
  Check(SaveSettings(settingsPath, settings), "settings saved to " + settingsPath);
  const LinkSettings loaded = LoadSettings(settingsPath);
  Check(loaded.portNumber == 5 && loaded.exchangeSpeed == 9600, "settings read back");
  Check(SaveSettings(settingsPath, settings), "settings replaced");

  ConfigImage image;
  NewConfigurationImage(image);
  SetUnitEntry(image, 12, UnitEntry{1, kPortC, 21});
  const std::string configPath = ConfigFolderPath(folder) + "\\станция ё.cnf";
  Check(WriteConfigFile(configPath, image) == FileWriteResult::kWritten,
        "configuration file written");
  ConfigImage read;
  Check(ReadConfigFile(configPath, read) == ConfigFileReadResult::kRead && read == image,
        "configuration file read back");
  Check(WriteConfigFile(configPath, image) == FileWriteResult::kWritten,
        "configuration file replaced");

  // A program folder where no file can be created (here one that is not
  // there) sends them to the user's own folder.
  SetProgramFolder(folder + "нет такой папки");
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  Check(local != nullptr && WorkingFolder() == Utf8FromWide(local) + "\\vkt53\\",
        "INI and CONFIG in " + WorkingFolder());
  SetProgramFolder("");

  // Names the library's own conversions throw on (bytes that are no UTF-8,
  // half a UTF-16 pair) are names like any other.
  Check(!PathExists(folder + "\xC0\xFF.cnf"), "a name that is no UTF-8 looked up");
  Check(Utf8OfPath(std::filesystem::path(std::wstring{L'a', wchar_t{0xD800}, L'b'})) == "a\uFFFDb",
        "half a UTF-16 pair read as U+FFFD");
}

// The arguments as UTF-8: main's argv comes in the ANSI code page.
std::vector<std::string> Arguments() {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Utf8FromWide(wide[i]));
  LocalFree(wide);
  return arguments;
}

// COM1 and COM12 are mapped to the emulator, COM11 to nothing: the system
// knows the first two, and the text beside the third is the dialog's own.
void CheckPorts() {
  const std::vector<PortInfo> ports = DiscoverPorts(12);
  if (!Check(ports.size() == 12, "12 ports described")) return;
  for (const PortInfo& port : ports) {
    std::printf("  COM%d  %s  %s\n", port.number, port.devicePath.c_str(),
                PortShownText(port).c_str());
    Check(port.devicePath == PortDeviceName(port.number),
          "COM" + std::to_string(port.number) + " opens what is shown");
  }
  for (int number : {1, 12}) {
    const PortInfo& port = ports[static_cast<std::size_t>(number - 1)];
    Check(port.present && !port.description.empty() && PortShownText(port) != "нет устройства",
          "COM" + std::to_string(number) + " is there: " + PortShownText(port));
  }
  const PortInfo& absent = ports[10];
  Check(!absent.present && PortShownText(absent) == "нет устройства",
        "COM11: " + PortShownText(absent));
  Check(PortPermissionReason(ports[0].devicePath).empty(), "no permission reason on Windows");

  // The connection dialog's list: COM1 .. COM8, then the higher ports that are there.
  std::string offered;
  for (const PortInfo& port : OfferedPorts()) offered += " COM" + std::to_string(port.number);
  Check(offered.find(" COM8 COM") != std::string::npos &&
            offered.find(" COM12") != std::string::npos &&
            offered.find(" COM11") == std::string::npos,
        "ports offered:" + offered);
}

}  // namespace

int main() {
  const std::vector<std::string> args = Arguments();
  const int argc = static_cast<int>(args.size());
  const std::string what = argc > 1 ? args[1] : "";
  if (what == "device") {
    CheckDevice(argc > 2 ? std::atoi(args[2].c_str()) : 1);
  } else if (what == "no-answer") {
    CheckFailure(kResultNoAnswer, "no answer");
  } else if (what == "bad-checksum") {
    CheckFailure(kResultBadChecksum, "bad checksum");
  } else if (what == "short-answer") {
    CheckFailure(kResultShortBody, "short answer");
  } else if (what == "device-error") {
    CheckFailure(kResultValveError, "device error 24, reason 7");
  } else if (what == "ports") {
    CheckPorts();
  } else if (what == "files") {
    CheckFiles(argc > 2 ? args[2] : "");
  } else {
    std::fprintf(stderr,
                 "usage: windows_check device PORT | no-answer | bad-checksum | "
                 "short-answer | device-error | ports | files FOLDER-NAME\n");
    return 2;
  }
  std::printf("%d passed, %d failed\n", gPassed, gFailed);
  return gFailed == 0 && gPassed > 0 ? 0 : 1;
}
