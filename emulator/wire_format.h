// The device's master link as the device sees it: request and answer frames,
// the table request block of function 29, and the device's error codes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace emu {

// Request frame (master to device), byte by byte:
//   0       0xCC start symbol
//   1       device address (0xFF: whichever device listens)
//   2       L, the total length from the start symbol to the last checksum byte
//   3       function code
//   4..L-3  data
//   L-2,L-1 CRC-16/MODBUS over bytes 0..L-3, low byte first
// Any number of 0xFF preambles may precede it; they belong to no frame.
//
// Answer frame (device to master): the same layout with start symbol 0x33,
// the device's own address, and the function code with bit 7 set. An error
// answer carries the request's function code without bit 7, then the error
// code and, for error 24 only, a reason code.
inline constexpr uint8_t kRequestStart = 0xCC;
inline constexpr uint8_t kAnswerStart = 0x33;
inline constexpr uint8_t kPreamble = 0xFF;
inline constexpr uint8_t kAnyDeviceAddress = 0xFF;
inline constexpr uint8_t kAnswerFlag = 0x80;
inline constexpr uint8_t kTableFunction = 29;

inline constexpr size_t kStartByte = 0;
inline constexpr size_t kAddressByte = 1;
inline constexpr size_t kLengthByte = 2;
inline constexpr size_t kFunctionByte = 3;
inline constexpr size_t kDataStart = 4;

inline constexpr size_t kMaxFrameLength = 255;
inline constexpr size_t kChecksumSize = 2;
inline constexpr size_t kFrameOverhead = kDataStart + kChecksumSize;  // a frame with no data

// Table request block: the data of a function 29 request.
//   0 read table    1 read first field    2 read field count (0 = no read)
//   3 write table   4 write first field   5 write field count (0 = no write)
//   6.. the values to write, as many bytes as the written fields occupy
// A read answer's data: read table, first field, count, then the values.
inline constexpr size_t kReadTable = 0;
inline constexpr size_t kReadFirst = 1;
inline constexpr size_t kReadCount = 2;
inline constexpr size_t kWriteTable = 3;
inline constexpr size_t kWriteFirst = 4;
inline constexpr size_t kWriteCount = 5;
inline constexpr size_t kBlockHeaderSize = 6;

// The device errors this device reports of its own accord; any other code
// can be forced with a fault.
enum DeviceError : uint8_t {
  kUnknownFunction = 1,      // "Неизвестный код команды"
  kBadRequestLength = 2,     // "Неправильная длина запроса"
  kBadParameters = 4,        // "Неправильные параметры в запросе"
  kNoSuchTable = 9,          // "Нет такой таблицы"
  kTableNotWritable = 12,    // "Запись в таблицу не допускается"
  kNoSuchField = 13,         // "Нет такого поля в таблице"
  kValveSwitchRefused = 24,  // the one error that carries a reason code
};

}  // namespace emu
