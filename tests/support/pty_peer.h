// The far end of a real pseudo-terminal, scripted by a test: the code under
// test opens slavePath() as its serial port, the test reads what was sent and
// writes answers on the master side.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vkt53 {

class PtyPeer {
 public:
  PtyPeer();  // opens a new pseudo-terminal; the slave side is raw
  ~PtyPeer();
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;

  const std::string& slavePath() const { return slavePath_; }
  int masterFd() const { return master_; }

  void Send(const std::vector<uint8_t>& bytes);

  // Reads until count bytes have come or the deadline passes; returns what came.
  std::vector<uint8_t> Receive(std::size_t count, std::chrono::milliseconds deadline);

  // Reads whatever comes until no byte has come for `quiet` (or `deadline` passes).
  std::vector<uint8_t> ReceiveUntilQuiet(std::chrono::milliseconds quiet,
                                         std::chrono::milliseconds deadline);

  // Bit rate the slave side is set to (what the code under test configured).
  int32_t SlaveBitRate() const;

  // The far end goes away, as when a USB adapter is pulled out: the master
  // side is closed, and every read or write of the slave fails from then on.
  void HangUp();

 private:
  int master_ = -1;
  int slaveKeeper_ = -1;  // keeps the terminal alive while the code under test reopens it
  std::string slavePath_;
};

}  // namespace vkt53
