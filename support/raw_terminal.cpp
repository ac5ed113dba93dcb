// Only the kernel's termios2 header, as in serial_port_posix.cpp: it and
// <termios.h> define the same names differently.
#include "support/raw_terminal.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace vkt53 {

bool MakeRawTerminal(int fd) {
  termios2 tio{};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  tio.c_iflag &= ~(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR | ICRNL |
                   IUCLC | IXON | IXANY | IXOFF | IMAXBEL | IUTF8);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ISIG | ICANON | ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOPRT | ECHOKE |
                   IEXTEN | NOFLSH | TOSTOP);
  tio.c_cflag &= ~CRTSCTS;
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  return ioctl(fd, TCSETS2, &tio) == 0;
}

int OpenPseudoTerminal(int flags, std::string& terminalPath) {
  const int control = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | flags);
  if (control < 0) return -1;
  char name[128] = {};
  if (grantpt(control) != 0 || unlockpt(control) != 0 ||
      ptsname_r(control, name, sizeof name) != 0) {
    const int reason = errno;
    close(control);
    errno = reason;
    return -1;
  }
  terminalPath = name;
  return control;
}

}  // namespace vkt53
