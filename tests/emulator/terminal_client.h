// The tool's end of the emulator's terminal: opened and set up as the tool
// opens its COM port (exclusive, raw, 8 data bits, a bit rate of its own).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vkt53 {

class TerminalClient {
 public:
  // A bit rate of 0 leaves the terminal at the rate it has.
  TerminalClient(const std::string& path, int32_t bitRate);
  ~TerminalClient();
  TerminalClient(const TerminalClient&) = delete;
  TerminalClient& operator=(const TerminalClient&) = delete;

  void SetBitRate(int32_t bitRate);  // 0: the rate stays
  void Send(const std::vector<uint8_t>& bytes);

  // Everything up to the end of the next answer frame: the bytes before its
  // 0x33 (preambles, noise) and the frame as long as its length byte says.
  // Returns what came if the deadline passes first.
  std::vector<uint8_t> ReceiveAnswer(std::chrono::milliseconds deadline = std::chrono::seconds(3));

  // Exactly `count` bytes, or what came before the deadline. Bytes after
  // them stay unread in the terminal.
  std::vector<uint8_t> ReceiveBytes(size_t count,
                                    std::chrono::milliseconds deadline = std::chrono::seconds(3));

  // Whatever comes within `window`: for showing that nothing comes.
  std::vector<uint8_t> ReceiveDuring(std::chrono::milliseconds window);

  // Whether the terminal is in exclusive mode (TIOCEXCL) now.
  bool Exclusive() const;

  // Closes the port and opens it again, as the tool does between sessions.
  void Reopen();

 private:
  void Open();
  bool ReadSome(std::chrono::steady_clock::time_point end, size_t limit = SIZE_MAX);

  std::string path_;
  int32_t bitRate_;
  int fd_ = -1;
  std::vector<uint8_t> received_;  // read but not yet handed out
};

}  // namespace vkt53
