#include "emulator/state_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

#include "support/file_io.h"
#include "support/key_value.h"
#include "support/hex_text.h"
#include "emulator/wire_format.h"

using vkt53::FileWriteResult;
using vkt53::KeyValueKind;
using vkt53::KeyValueLine;
using vkt53::ParseKeyValueLine;
using vkt53::WriteFileReplacing;

namespace emu {

using vkt53::HexText;

namespace {

constexpr size_t kBytesPerLine = 16;

// Notepad starts a UTF-8 file with it.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Digits only: no blank, no sign, and a number beyond 64 bits is refused
// instead of wrapping.
std::optional<uint64_t> ParseUnsigned(const std::string& text, int base) {
  uint64_t value = 0;
  const char* last = text.data() + text.size();
  const auto [end, error] = std::from_chars(text.data(), last, value, base);
  if (text.empty() || error != std::errc() || end != last) return std::nullopt;
  return value;
}

// Decimal, or hexadecimal with 0x.
std::optional<uint64_t> ParseNumber(const std::string& text) {
  if (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0) {
    return text.size() > 2 ? ParseUnsigned(text.substr(2), 16) : std::nullopt;
  }
  return ParseUnsigned(text, 10);
}

std::optional<uint8_t> ParseHexByte(std::string token) {
  if (token.rfind("0x", 0) == 0 || token.rfind("0X", 0) == 0) token = token.substr(2);
  if (token.empty() || token.size() > 2) return std::nullopt;
  const auto value = ParseUnsigned(token, 16);
  if (!value) return std::nullopt;
  return static_cast<uint8_t>(*value);
}

std::optional<std::vector<uint8_t>> ParseHexText(const std::string& text) {
  std::vector<uint8_t> bytes;
  std::istringstream tokens(text);
  std::string token;
  while (tokens >> token) {
    const auto byte = ParseHexByte(token);
    if (!byte) return std::nullopt;
    bytes.push_back(*byte);
  }
  return bytes;
}

bool SetByte(uint8_t& target, const std::string& value, uint64_t highest, std::string* why) {
  const auto number = ParseNumber(value);
  if (!number || *number > highest) {
    *why = "expected a number 0.." + std::to_string(highest);
    return false;
  }
  target = static_cast<uint8_t>(*number);
  return true;
}

bool SetMask(DeviceState& state, size_t which, const std::string& value, std::string* why) {
  const auto number = ParseNumber(value);
  if (!number || *number > 0xFFFFFFFFu) {
    *why = "expected a 32-bit mask";
    return false;
  }
  SetSpeedMask(state, which, static_cast<uint32_t>(*number));
  return true;
}

bool SetModem(DeviceState& state, const std::string& text, std::string* why) {
  if (text.size() >= kModemCommandSize) {
    *why = "a modem command holds at most 63 characters";
    return false;
  }
  state.modemCommand.fill(0);
  std::copy(text.begin(), text.end(), state.modemCommand.begin());
  if (!text.empty()) state.modemCommand[text.size()] = '\r';
  return true;
}

// "tableT" or "tableT.N" = hex bytes.
bool SetTableBytes(DeviceState& state, const std::string& key, const std::string& value,
                   std::string* why) {
  const std::string tableKey = key.substr(5);
  const auto dot = tableKey.find('.');
  const auto table = ParseUnsigned(tableKey.substr(0, dot), 10);
  const auto offset = dot == std::string::npos ? std::optional<uint64_t>(0)
                                               : ParseUnsigned(tableKey.substr(dot + 1), 10);
  if (!table || !offset || *table >= kTableCount || TableBytes(state, int(*table)).empty()) {
    *why = "no such table: " + key;
    return false;
  }
  const auto bytes = ParseHexText(value);
  if (!bytes) {
    *why = "expected hexadecimal bytes";
    return false;
  }
  auto target = TableBytes(state, static_cast<int>(*table));
  // Compared without adding, so that no offset can wrap round into range.
  if (*offset > target.size() || bytes->size() > target.size() - *offset) {
    *why = key + ": table " + std::to_string(*table) + " holds bytes 0.." +
           std::to_string(target.size() - 1) + ", not " + std::to_string(bytes->size()) +
           " from byte " + std::to_string(*offset);
    return false;
  }
  std::copy(bytes->begin(), bytes->end(), target.begin() + static_cast<std::ptrdiff_t>(*offset));
  return true;
}

bool ApplyKey(DeviceState& state, const std::string& key, const std::string& value,
              std::string* why) {
  if (key == "address") return SetByte(state.address, value, kAnyDeviceAddress - 1, why);
  if (key == "type") return SetByte(state.identification[kTypeCodeByte], value, 255, why);
  if (key == "hardware")
    return SetByte(state.identification[kHardwareVersionByte], value, 255, why);
  if (key == "software")
    return SetByte(state.identification[kSoftwareVersionByte], value, 255, why);
  if (key == "master_speed_index") {
    return SetByte(state.linkParameters[kMasterSpeedIndexField], value, 255, why);
  }
  if (key == "master_speed_mask") return SetMask(state, 0, value, why);
  if (key == "unit_speed_mask") return SetMask(state, 1, value, why);
  if (key == "modem") return SetModem(state, value, why);
  if (key.rfind("table", 0) == 0) return SetTableBytes(state, key, value, why);
  *why = "unknown key \"" + key + "\"";
  return false;
}

void AppendTableLines(std::string& text, const DeviceState& state, int table) {
  const auto bytes = TableBytes(state, table);
  if (bytes.size() <= kBytesPerLine * 2) {
    text += "table" + std::to_string(table) + " = " + HexText(bytes) + "\n";
    return;
  }
  for (size_t at = 0; at < bytes.size(); at += kBytesPerLine) {
    const size_t count = std::min(kBytesPerLine, bytes.size() - at);
    text += "table" + std::to_string(table) + "." + std::to_string(at) + " = " +
            HexText(bytes.subspan(at, count)) + "\n";
  }
}

std::string ModemText(const DeviceState& state) {
  std::string text;
  for (uint8_t b : state.modemCommand) {
    if (b == '\r' || b == 0) break;
    text += (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '?';
  }
  return text;
}

}  // namespace

bool ApplyStateText(const std::string& text, DeviceState& state, std::string* error) {
  std::istringstream lines(text.starts_with(kByteOrderMark) ? text.substr(kByteOrderMark.size())
                                                            : text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    const KeyValueLine entry = ParseKeyValueLine(line);
    if (entry.kind == KeyValueKind::Nothing) continue;
    std::string why = "expected \"key = value\"";
    if (entry.kind == KeyValueKind::Entry && ApplyKey(state, entry.key, entry.value, &why)) {
      continue;
    }
    *error = "line " + std::to_string(number) + ": " + why;
    return false;
  }
  return true;
}

std::string StateText(const DeviceState& state) {
  std::string text =
      "# vkt53-emu device state. One \"key = value\" a line; table bytes in hexadecimal.\n"
      "address = " +
      std::to_string(state.address) +
      "\n"
      "# table 0, identification: corrupted table, type, hardware, software,\n"
      "# build year month day hour minute second, byte order, multi-speed, -, -,\n"
      "# protocol version\n";
  AppendTableLines(text, state, 0);
  char masks[96];
  std::snprintf(masks, sizeof masks, "master_speed_mask = 0x%08X\nunit_speed_mask = 0x%08X\n",
                SpeedMask(state, 0), SpeedMask(state, 1));
  text += "# table 1, speeds allowed (bit i = speed index i)\n";
  text += masks;
  text += "# table 3, link parameters; field 0 is the master speed index\n";
  AppendTableLines(text, state, 3);
  text += "# table 5, modem command \"" + ModemText(state) + "\"\n";
  AppendTableLines(text, state, 5);
  text += "# table 6, unit link bytes: port code << 5 | speed index, addresses 0..254\n";
  AppendTableLines(text, state, 6);
  text += "# table 7, restore required, tables 0..7\n";
  AppendTableLines(text, state, 7);
  return text;
}

bool LoadStateFile(const std::string& path, DeviceState& state, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  if (ApplyStateText(text.str(), state, error)) return true;
  *error = path + ": " + *error;
  return false;
}

bool CheckStatePath(const std::string& path, std::string* error) {
  struct stat existing {};
  if (stat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
    *error = path + ": a folder, not a file";
    return false;
  }
  // A file the user may not write is refused by the saver too.
  if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  // The saver makes a new file beside the one a link names, and renames it
  // over that: one is made and removed here the same way.
  std::error_code unresolved;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, unresolved);
  const std::string target = unresolved ? path : resolved.string();
  for (int n = 0;; ++n) {
    const std::string trial = target + ".check" + std::to_string(n);
    const int fd = open(trial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      close(fd);
      unlink(trial.c_str());
      return true;
    }
    if (errno != EEXIST) {
      *error = path + ": " + std::strerror(errno);
      return false;
    }
  }
}

bool SaveStateFile(const std::string& path, const DeviceState& state, std::string* error) {
  const std::string text = StateText(state);
  const FileWriteResult result =
      WriteFileReplacing(path, std::vector<uint8_t>(text.begin(), text.end()));
  if (result == FileWriteResult::kWritten) return true;
  // The writer leaves no reason in errno: the path is looked at again.
  if (CheckStatePath(path, error)) {
    *error = path + (result == FileWriteResult::kWriteFailed ? ": not all written (disk full?)"
                                                             : ": cannot be written");
  }
  return false;
}

}  // namespace emu
