#include "emulator/pty.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "support/raw_terminal.h"

using vkt53::MakeRawTerminal;
using vkt53::OpenPseudoTerminal;

namespace emu {

namespace {

// The classic code of a bit rate, or BOTHER for a rate that has none. A
// client that reads the speed only as a classic code (Wine's serial layer)
// cannot open a terminal left at BOTHER, so the classic code is set where
// there is one; the exact rate is in c_ospeed either way.
tcflag_t BaudCode(int32_t bitRate) {
  switch (bitRate) {
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return BOTHER;
  }
}

// 8 data bits, no parity, one stop bit at `bitRate`, on a raw line.
bool SetRawAtRate(int fd, int32_t bitRate) {
  if (!MakeRawTerminal(fd)) return false;
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  const tcflag_t code = BaudCode(bitRate);
  tio.c_cflag = (tio.c_cflag & ~(CSIZE | PARENB | CSTOPB | CBAUD | (CBAUD << IBSHIFT))) | CS8 |
                CREAD | CLOCAL | code | (code << IBSHIFT);
  tio.c_ispeed = static_cast<speed_t>(bitRate);
  tio.c_ospeed = static_cast<speed_t>(bitRate);
  return ioctl(fd, TCSETS2, &tio) == 0;
}

// Whether a process other than this one has `terminal` open. The kernel
// tells nobody how many descriptors a terminal has open, so the processes'
// descriptor tables are looked through. Other users' processes are out of
// sight without root: their descriptors count as closed.
bool OpenInAnotherProcess(const std::string& terminal) {
  namespace fs = std::filesystem;
  const std::string self = std::to_string(getpid());
  std::error_code error;
  for (fs::directory_iterator process("/proc", error), end; !error && process != end;
       process.increment(error)) {
    const std::string pid = process->path().filename().string();
    if (pid == self || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code fdError;
    for (fs::directory_iterator fd(process->path() / "fd", fdError); !fdError && fd != end;
         fd.increment(fdError)) {
      std::error_code linkError;
      if (fs::read_symlink(fd->path(), linkError) == terminal) return true;
    }
  }
  return false;
}

bool Fail(std::string* error, const char* what) {
  *error = std::string(what) + ": " + std::strerror(errno);
  return false;
}

}  // namespace

PseudoTerminal::~PseudoTerminal() {
  for (int fd : {watch_, keeper_, control_}) {
    if (fd >= 0) close(fd);
  }
}

bool PseudoTerminal::Open(int32_t bitRate, std::string* error) {
  control_ = OpenPseudoTerminal(O_NONBLOCK, path_);
  if (control_ < 0) return Fail(error, "pseudo-terminal");
  keeper_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (keeper_ < 0) return Fail(error, path_.c_str());
  if (!SetRawAtRate(keeper_, bitRate)) return Fail(error, "terminal settings");
  // Watched only after the keeper is open: its own opening is no client's.
  watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_ < 0) return Fail(error, "inotify_init1");
  if (inotify_add_watch(watch_, path_.c_str(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
    return Fail(error, "inotify_add_watch");
  }
  return true;
}

int32_t PseudoTerminal::ClientBitRate() const {
  // On Linux the controlling side reports the terminal side's settings.
  struct termios2 tio {};
  if (ioctl(control_, TCGETS2, &tio) != 0) return -1;
  return static_cast<int32_t>(tio.c_ospeed);
}

bool PseudoTerminal::HandleClientClose() {
  alignas(inotify_event) char events[4096];
  bool closed = false;
  for (;;) {
    const ssize_t n = read(watch_, events, sizeof events);
    if (n <= 0) break;
    closed = true;
  }
  // Any close is seen, a port scanner's or a second program's as well as the
  // client's: the client has gone only once nobody else has the terminal open.
  if (!closed || OpenInAnotherProcess(path_)) return false;
  // Dropped first, so that whoever sees the port free finds it empty.
  ioctl(keeper_, TCFLSH, TCIFLUSH);
  ioctl(keeper_, TIOCNXCL);
  return true;
}

}  // namespace emu
