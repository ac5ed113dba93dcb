#include "emulator/options.h"

#include <charconv>
#include <cstdint>
#include <functional>
#include <map>

#include "config/speed_table.h"

using vkt53::IndexOfSpeed;

namespace emu {

namespace {

constexpr int64_t kLongestTurnaroundMs = 60'000;

template <typename Number>
bool ParseInRange(const std::string& text, int64_t lowest, int64_t highest, Number* out) {
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return false;
  if (value < lowest || value > highest) return false;
  *out = static_cast<Number>(value);
  return true;
}

template <typename Number>
bool SetNumber(const std::string& text, int64_t lowest, int64_t highest,
               std::optional<Number>* out) {
  Number value{};
  if (!ParseInRange(text, lowest, highest, &value)) return false;
  *out = value;
  return true;
}

bool SetSpan(const std::string& text, std::optional<FaultSpan>* out) {
  *out = ParseFaultSpan(text);
  return out->has_value();
}

using ValueSetter = std::function<bool(Options&, const std::string&)>;

const std::map<std::string, ValueSetter>& OptionsWithValue() {
  static const std::map<std::string, ValueSetter> setters = {
      {"--link",
       [](Options& o, const std::string& v) {
         o.linkPath = v;
         return !v.empty();
       }},
      {"--state",
       [](Options& o, const std::string& v) {
         o.statePath = v;
         return !v.empty();
       }},
      {"--speed",
       [](Options& o, const std::string& v) {
         return SetNumber(v, 1, INT32_MAX, &o.speed) && IndexOfSpeed(*o.speed) >= 0;
       }},
      {"--address",
       [](Options& o, const std::string& v) { return SetNumber(v, 0, 254, &o.address); }},
      {"--type", [](Options& o, const std::string& v) { return SetNumber(v, 0, 255, &o.type); }},
      {"--software",
       [](Options& o, const std::string& v) { return SetNumber(v, 0, 255, &o.software); }},
      {"--corrupt",
       [](Options& o, const std::string& v) {
         return SetNumber(v, 0, kTableCount - 1, &o.corrupt);
       }},
      {"--turnaround",
       [](Options& o, const std::string& v) {
         int64_t ms = 0;
         if (!ParseInRange(v, 0, kLongestTurnaroundMs, &ms)) return false;
         o.turnaround = std::chrono::milliseconds(ms);
         return true;
       }},
      {"--fault-drop", [](Options& o, const std::string& v) { return SetSpan(v, &o.faults.drop); }},
      {"--fault-noise",
       [](Options& o, const std::string& v) { return SetSpan(v, &o.faults.noise); }},
      {"--fault-bad-crc",
       [](Options& o, const std::string& v) { return SetSpan(v, &o.faults.badChecksum); }},
      {"--fault-short",
       [](Options& o, const std::string& v) { return SetSpan(v, &o.faults.shortBody); }},
      {"--fault-foreign",
       [](Options& o, const std::string& v) { return SetSpan(v, &o.faults.foreignAddress); }},
      {"--fault-error",
       [](Options& o, const std::string& v) {
         o.faults.error = ParseErrorFault(v);
         return o.faults.error.has_value();
       }},
      {"--fault-ignore-write",
       [](Options& o, const std::string& v) {
         int table = 0;
         if (!ParseInRange(v, 0, kTableCount - 1, &table)) return false;
         if (table != 3 && table != 5 && table != 6) return false;
         o.faults.ignoredWriteTable = table;
         return true;
       }},
      {"--fault-skip",
       [](Options& o, const std::string& v) {
         return ParseInRange(v, 0, INT64_MAX, &o.faults.skip);
       }},
      {"--fault-seed",
       [](Options& o, const std::string& v) {
         return ParseInRange(v, 0, UINT32_MAX, &o.faults.seed);
       }},
  };
  return setters;
}

bool SetFlag(const std::string& name, Options* options) {
  if (name == "--help" || name == "-h") {
    options->help = true;
  } else if (name == "--no-wire-delay") {
    options->wireDelay = false;
  } else if (name == "--log") {
    options->log = true;
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, Options* options, std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> value;
    if (const auto equals = name.find('=');
        name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
    }
    if (!value && SetFlag(name, options)) continue;
    const auto setter = OptionsWithValue().find(name);
    if (setter == OptionsWithValue().end()) {
      *error = "unknown option " + args[i];
      return false;
    }
    if (!value) {
      if (i + 1 == args.size()) {
        *error = name + " needs a value";
        return false;
      }
      value = args[++i];
    }
    if (!setter->second(*options, *value)) {
      *error = "bad value for " + name + ": \"" + *value + "\"";
      return false;
    }
  }
  return true;
}

void ApplyOptions(const Options& options, DeviceState& state) {
  if (options.speed) {
    state.linkParameters[kMasterSpeedIndexField] =
        static_cast<uint8_t>(IndexOfSpeed(*options.speed));
  }
  if (options.address) state.address = *options.address;
  if (options.type) state.identification[kTypeCodeByte] = *options.type;
  if (options.software) state.identification[kSoftwareVersionByte] = *options.software;
  if (options.corrupt) MarkTableCorrupted(state, *options.corrupt);
}

std::string HelpText() {
  return R"(vkt53-emu: a KORDIN vkt53-sx parallel-access device on a pseudo-terminal.

Usage: vkt53-emu [options]

The first line written to standard output is the path of the terminal; open
it as the device's serial port. SIGINT or SIGTERM saves the state (--state),
removes the link (--link) and exits with 0.

Options (a value may also be given as --name=value):
  --link PATH         make PATH a symbolic link to the terminal (a link there
                      to a terminal that is gone is replaced; anything else
                      there is an error)
  --speed BPS         master link speed, one of 300 600 1200 2400 3200 3600
                      4800 5760 6400 7200 7680 9600 11520 12800 14400 19200
                      23040 28800 38400 57600 115200 230400 (default 1200);
                      this is table 3 field 0
  --address N         device address 0..254 (default 0)
  --type N            type code, identification byte 1 (default 8)
  --software N        software version, identification byte 3 (default 3)
  --corrupt T         report table T (1..7) as corrupted: identification byte
                      0 = T and table 7's flag for T set; 0 clears all flags
  --state FILE        keep the device state in FILE (see below); a FILE that
                      cannot be written is an error at start
  --turnaround MS     time between the end of a request and the start of the
                      answer (default 3)
  --no-wire-delay     answer without waiting out the transmit times (the
                      turnaround stays)
  --log               every request and answer on standard error: time, hex
                      bytes, and one decoded line each
  --help              this text

Faults. Requests that reach the device (addressed to it, checksum good,
right bit rate) are numbered from 0. Each fault hits the next N requests
after the first K (--fault-skip K, default 0); N = 0 or "all" hits every
request from the K-th on. Several faults may be combined.
  --fault-drop N      no answer (the request is still carried out)
  --fault-noise N     1..8 noise bytes (never 0x33) before the answer
  --fault-bad-crc N   the answer's last checksum byte inverted
  --fault-short N     the answer's last 3 bytes left out
  --fault-foreign N   the answer comes from address (own + 1) mod 255
  --fault-error CODE[:REASON][@N]
                      answer with device error CODE (and REASON, sent for
                      error 24 only) instead of carrying the request out;
                      without @N on every request
  --fault-ignore-write T
                      writes of table T (3, 5 or 6) are answered as done but
                      not stored: the table keeps what it held, as a device
                      that lost the write would (every such write; --fault-skip
                      does not apply)
  --fault-skip K      the first K requests are answered normally
  --fault-seed S      chooses the noise bytes (default 1)

Device behaviour:
  Requests: 0xCC, address, length L, function, data, CRC-16/MODBUS of bytes
  0..L-3, low byte first; 0xFF preambles before it belong to no frame. The
  device answers its own address and 0xFF, always with its own address.
  Hunting skips bytes up to 0xCC; a length below 6, a wrong checksum, or a
  pause of max(50 ms, 20 byte times) inside a frame drops it, and hunting goes
  on from the byte after its 0xCC. Frames with a wrong checksum get no answer.
  Bit rate: the device listens at its master speed only. Bytes that arrive
  while the terminal is set to another rate are line noise. A master speed
  index outside the table (22..255, possible through --state or a write)
  is kept in table 3 but the device listens at 1200 bit/s. A write of
  table 3 field 0 moves the device to the new speed once its answer is out.
  The terminal starts at the master speed, raw, 8 data bits.
  Answers: preceded by table 3 field 1 preambles (0xFF; default 3). Function
  29 reads of tables 0, 1, 3, 5, 6, 7: echo of table, first field, count,
  then the values (table 1: two 4-byte little-endian masks; table 5: one
  64-byte field). Writes of tables 3, 5, 6: the answer's data is the echo of
  the request's six-byte header. Error answers: 0x33, address, length, the
  function code without bit 7, the error code, a reason for error 24 only.
  Errors, checked in this order:
    1   function other than 29
    2   data shorter than the six-byte header
    4   both a read and a write count, or neither
    9   table 2, 4 or above 7
    12  write to table 0, 1 or 7
    13  fields beyond the table's end
    2   data length other than the header plus the written values
    4   a read whose answer would exceed 255 bytes (more than 246 value
        bytes, e.g. table 6 with more than 246 fields)
  A write of a table clears its restore flag in table 7. Identification
  byte 0 keeps naming a table still flagged, else the lowest flagged table
  1..7, else 0.
  Timing: an answer starts no earlier than the transmit time of the request
  (preambles included) plus the turnaround after the request's first byte,
  and is handed to the terminal whole once its own transmit time has passed
  too; 10 bits a byte at the master speed.
  A client that closes the terminal leaves it open in the emulator. Once no
  other process has it open, its exclusive mode (TIOCEXCL) is released and
  unread answers are discarded, so the client can open it again; another
  program opening and closing it meanwhile (a port scanner) changes nothing.

Defaults: identification 00 08 01 03 19 03 11 09 05 00 01 01 00 00 01 02 00
  (type 8, hardware 1, software 3, built 25.03.17 09:05:00, low byte first,
  multi-speed, protocol 1.2.0); both speed masks 0x003FFFFF (all 22 speeds);
  table 3 = 02 03 05 01 00 00 00; table 5 = "ATZ", CR, zeros; tables 6 and 7
  all zero.

State file: plain text, one "key = value" a line, '#' at the start of a line
for comments. Read at start when it exists (command-line options override
it), rewritten after every accepted write and at exit (written to a new file
beside it, then renamed over it). Keys:
  address = N, type = N, hardware = N, software = N, master_speed_index = N
  master_speed_mask = 0x003FFFFF, unit_speed_mask = 0x003FFFFF
  modem = ATZ                   (text, then CR, then zeros)
  table3 = 02 03 05 01 00 00 00 (bytes of a table from byte 0, hexadecimal)
  table6.5 = 0x2B               (bytes of a table from byte 5 on)
Numbers are decimal or 0x hexadecimal; table bytes are hexadecimal.
)";
}

}  // namespace emu
