#include "tests/emulator/terminal_client.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace vkt53 {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kAnswerStart = 0x33;

// Length of the first whole answer frame in `bytes`, counting what precedes
// its start symbol; 0 while it is incomplete.
size_t WholeAnswerLength(const std::vector<uint8_t>& bytes) {
  for (size_t start = 0; start < bytes.size(); ++start) {
    if (bytes[start] != kAnswerStart) continue;
    if (bytes.size() < start + 3) return 0;
    const size_t end = start + bytes[start + 2];
    return bytes.size() >= end ? end : 0;
  }
  return 0;
}

}  // namespace

TerminalClient::TerminalClient(const std::string& path, int32_t bitRate)
    : path_(path), bitRate_(bitRate) {
  Open();
}

TerminalClient::~TerminalClient() {
  if (fd_ >= 0) close(fd_);
}

void TerminalClient::Open() {
  fd_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) throw std::runtime_error(path_ + ": " + std::strerror(errno));
  if (ioctl(fd_, TIOCEXCL) != 0) throw std::runtime_error("TIOCEXCL failed");
  SetBitRate(bitRate_);
}

void TerminalClient::SetBitRate(int32_t bitRate) {
  struct termios2 tio {};
  if (ioctl(fd_, TCGETS2, &tio) != 0) throw std::runtime_error("TCGETS2 failed");
  tio.c_iflag = 0;
  tio.c_oflag = 0;
  tio.c_lflag = 0;
  tio.c_cflag = (tio.c_cflag & ~(CSIZE | PARENB | CSTOPB)) | CS8 | CREAD | CLOCAL;
  if (bitRate > 0) {
    tio.c_cflag = (tio.c_cflag & ~(CBAUD | (CBAUD << IBSHIFT))) | BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = static_cast<speed_t>(bitRate);
    tio.c_ospeed = static_cast<speed_t>(bitRate);
  }
  if (ioctl(fd_, TCSETS2, &tio) != 0) throw std::runtime_error("TCSETS2 failed");
  bitRate_ = bitRate;
}

void TerminalClient::Send(const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) throw std::runtime_error("write failed");
    pollfd p{fd_, POLLOUT, 0};
    poll(&p, 1, 1000);
  }
}

bool TerminalClient::ReadSome(Clock::time_point end, size_t limit) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
  if (left.count() <= 0) return false;
  pollfd p{fd_, POLLIN, 0};
  if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return Clock::now() < end;
  uint8_t buffer[512];
  const ssize_t n = read(fd_, buffer, std::min(limit, sizeof buffer));
  if (n > 0) received_.insert(received_.end(), buffer, buffer + n);
  return true;
}

std::vector<uint8_t> TerminalClient::ReceiveAnswer(std::chrono::milliseconds deadline) {
  const auto end = Clock::now() + deadline;
  while (WholeAnswerLength(received_) == 0 && ReadSome(end)) {
  }
  const size_t length = WholeAnswerLength(received_);
  const size_t taken = length != 0 ? length : received_.size();
  std::vector<uint8_t> answer(received_.begin(), received_.begin() + static_cast<long>(taken));
  received_.erase(received_.begin(), received_.begin() + static_cast<long>(taken));
  return answer;
}

std::vector<uint8_t> TerminalClient::ReceiveBytes(size_t count,
                                                  std::chrono::milliseconds deadline) {
  const auto end = Clock::now() + deadline;
  // Reads no further than asked: the rest stays in the terminal.
  while (received_.size() < count && ReadSome(end, count - received_.size())) {
  }
  const size_t taken = std::min(count, received_.size());
  std::vector<uint8_t> bytes(received_.begin(), received_.begin() + static_cast<long>(taken));
  received_.erase(received_.begin(), received_.begin() + static_cast<long>(taken));
  return bytes;
}

std::vector<uint8_t> TerminalClient::ReceiveDuring(std::chrono::milliseconds window) {
  const auto end = Clock::now() + window;
  while (ReadSome(end)) {
  }
  return std::exchange(received_, {});
}

bool TerminalClient::Exclusive() const {
  int exclusive = 0;
  return ioctl(fd_, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

void TerminalClient::Reopen() {
  close(fd_);
  fd_ = -1;
  received_.clear();
  Open();
}

}  // namespace vkt53
