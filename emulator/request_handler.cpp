#include "emulator/request_handler.h"

#include <algorithm>
#include <optional>

#include "emulator/frames.h"
#include "emulator/wire_format.h"

namespace emu {

namespace {

// A response frame holds at most 255 bytes: 0x33, address, length, function,
// the three echo bytes, the values and the checksum.
constexpr size_t kReadAnswerOverhead = kFrameOverhead + 3;
constexpr size_t kLargestReadValues = kMaxFrameLength - kReadAnswerOverhead;

struct TableBlock {
  int readTable, readFirst, readCount;
  int writeTable, writeFirst, writeCount;
  std::span<const uint8_t> values;
};

std::span<const uint8_t> RequestData(std::span<const uint8_t> request) {
  return request.subspan(kDataStart, request.size() - kFrameOverhead);
}

std::optional<TableBlock> BlockOf(std::span<const uint8_t> data) {
  if (data.size() < kBlockHeaderSize) return std::nullopt;
  return TableBlock{data[kReadTable],
                    data[kReadFirst],
                    data[kReadCount],
                    data[kWriteTable],
                    data[kWriteFirst],
                    data[kWriteCount],
                    data.subspan(kBlockHeaderSize)};
}

bool FieldsFit(const TableLayout& layout, int first, int count) {
  return static_cast<size_t>(first) + static_cast<size_t>(count) <= layout.fieldCount;
}

std::string FieldRange(int table, int first, int count) {
  return "table " + std::to_string(table) + " fields " + std::to_string(first) + ".." +
         std::to_string(first + count - 1);
}

// Error code for a read, 0 when it can be answered.
uint8_t CheckRead(const TableBlock& block) {
  const TableLayout layout = LayoutOfTable(block.readTable);
  if (!layout.present) return kNoSuchTable;
  if (!FieldsFit(layout, block.readFirst, block.readCount)) return kNoSuchField;
  if (!block.values.empty()) return kBadRequestLength;
  if (static_cast<size_t>(block.readCount) * layout.fieldSize > kLargestReadValues) {
    return kBadParameters;
  }
  return 0;
}

// Error code for a write, 0 when it can be done.
uint8_t CheckWrite(const TableBlock& block) {
  const TableLayout layout = LayoutOfTable(block.writeTable);
  if (!layout.present) return kNoSuchTable;
  if (!layout.writable) return kTableNotWritable;
  if (!FieldsFit(layout, block.writeFirst, block.writeCount)) return kNoSuchField;
  if (block.values.size() != static_cast<size_t>(block.writeCount) * layout.fieldSize) {
    return kBadRequestLength;
  }
  return 0;
}

// A block that both reads and writes, or does neither, is refused whole.
uint8_t CheckBlock(const TableBlock& block) {
  const bool reads = block.readCount != 0;
  const bool writes = block.writeCount != 0;
  if (reads == writes) return kBadParameters;
  return reads ? CheckRead(block) : CheckWrite(block);
}

std::vector<uint8_t> ReadValues(const DeviceState& state, const TableBlock& block) {
  const size_t size = LayoutOfTable(block.readTable).fieldSize;
  const auto bytes =
      TableBytes(state, block.readTable).subspan(block.readFirst * size, block.readCount * size);
  std::vector<uint8_t> data = {static_cast<uint8_t>(block.readTable),
                               static_cast<uint8_t>(block.readFirst),
                               static_cast<uint8_t>(block.readCount)};
  data.insert(data.end(), bytes.begin(), bytes.end());
  return data;
}

void WriteValues(DeviceState& state, const TableBlock& block) {
  const size_t size = LayoutOfTable(block.writeTable).fieldSize;
  std::copy(block.values.begin(), block.values.end(),
            TableBytes(state, block.writeTable).begin() + block.writeFirst * size);
  NoteTableWritten(state, block.writeTable);
}

std::string DescribeBlock(const TableBlock& block) {
  std::string text;
  if (block.readCount != 0) {
    text = "read " + FieldRange(block.readTable, block.readFirst, block.readCount);
  }
  if (block.writeCount != 0) {
    if (!text.empty()) text += " and ";
    text += "write " + FieldRange(block.writeTable, block.writeFirst, block.writeCount) + " (" +
            std::to_string(block.values.size()) + " value bytes)";
  }
  return text.empty() ? "reads and writes nothing" : text;
}

HandledRequest Refuse(const DeviceState& state, uint8_t function, uint8_t error,
                      std::string summary) {
  return {ErrorFrame(state.address, function, error, 0), false,
          summary + " -> error " + std::to_string(error)};
}

}  // namespace

std::string DescribeRequest(std::span<const uint8_t> request) {
  const uint8_t function = request[kFunctionByte];
  std::string text =
      "function " + std::to_string(function) + ", address " + std::to_string(request[kAddressByte]);
  if (function != kTableFunction) return text;
  const auto block = BlockOf(RequestData(request));
  return text + ": " + (block ? DescribeBlock(*block) : "block shorter than its header");
}

HandledRequest HandleRequest(DeviceState& state, std::span<const uint8_t> request) {
  const uint8_t function = request[kFunctionByte];
  const std::string summary = DescribeRequest(request);
  if (function != kTableFunction) return Refuse(state, function, kUnknownFunction, summary);
  const auto block = BlockOf(RequestData(request));
  if (!block) return Refuse(state, function, kBadRequestLength, summary);
  if (const uint8_t error = CheckBlock(*block); error != 0) {
    return Refuse(state, function, error, summary);
  }
  if (block->readCount != 0) {
    return {AnswerFrame(state.address, function, ReadValues(state, *block)), false,
            summary + " -> answered"};
  }
  WriteValues(state, *block);
  // A write is answered with the echo of its six-byte header.
  const auto header = RequestData(request).first(kBlockHeaderSize);
  return {AnswerFrame(state.address, function, header), true, summary + " -> written"};
}

}  // namespace emu
