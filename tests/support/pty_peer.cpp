#include "tests/support/pty_peer.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "support/raw_terminal.h"

namespace vkt53 {

PtyPeer::PtyPeer() {
  master_ = OpenPseudoTerminal(0, slavePath_);
  if (master_ < 0) throw std::runtime_error("cannot open a pseudo-terminal");
  slaveKeeper_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slaveKeeper_ < 0) throw std::runtime_error("cannot open the pseudo-terminal's slave");
  MakeRawTerminal(slaveKeeper_);
}

PtyPeer::~PtyPeer() {
  if (slaveKeeper_ >= 0) close(slaveKeeper_);
  if (master_ >= 0) close(master_);
}

void PtyPeer::Send(const std::vector<uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw std::runtime_error("write to the pseudo-terminal failed");
    done += static_cast<std::size_t>(n);
  }
}

std::vector<uint8_t> PtyPeer::Receive(std::size_t count, std::chrono::milliseconds deadline) {
  std::vector<uint8_t> got;
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (got.size() < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    uint8_t buf[512];
    const ssize_t n = read(master_, buf, std::min(sizeof buf, count - got.size()));
    if (n > 0) got.insert(got.end(), buf, buf + n);
  }
  return got;
}

std::vector<uint8_t> PtyPeer::ReceiveUntilQuiet(std::chrono::milliseconds quiet,
                                                std::chrono::milliseconds deadline) {
  std::vector<uint8_t> got;
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (std::chrono::steady_clock::now() < end) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(quiet.count())) <= 0) break;
    uint8_t buf[512];
    const ssize_t n = read(master_, buf, sizeof buf);
    if (n <= 0) break;
    got.insert(got.end(), buf, buf + n);
  }
  return got;
}

int32_t PtyPeer::SlaveBitRate() const {
  struct termios2 tio {};
  if (ioctl(master_, TCGETS2, &tio) != 0) return -1;
  return static_cast<int32_t>(tio.c_ospeed);  // the kernel fills it for Bnnn rates too
}

void PtyPeer::HangUp() {
  if (master_ >= 0) close(master_);
  master_ = -1;
}

}  // namespace vkt53
