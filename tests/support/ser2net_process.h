// A real ser2net (Debian's package) in front of a terminal, for the tests of
// ports on serial device servers: started on 127.0.0.1 with a YAML
// configuration the test writes, one port of each kind in front of the same
// terminal. Killed and reaped when the object goes.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "tests/support/temp_folder.h"

namespace vkt53 {

class Ser2netProcess {
 public:
  // `line` is the terminal's setting as ser2net writes it ("9600n81"): what
  // the raw port runs at; over RFC 2217 the client sets its own. Throws when
  // ser2net is missing or does not listen within a few seconds.
  Ser2netProcess(const std::string& terminalPath, const std::string& line);
  ~Ser2netProcess();
  Ser2netProcess(const Ser2netProcess&) = delete;
  Ser2netProcess& operator=(const Ser2netProcess&) = delete;

  std::string Rfc2217Url() const;  // rfc2217://127.0.0.1:PORT
  std::string RawTcpUrl() const;   // tcp://127.0.0.1:PORT

  // Gone at once (SIGKILL), as a server that loses power; connections drop.
  void Kill();
  // Starts it again on the same ports.
  void Restart();

  // What it wrote to its standard output and error.
  std::string Output() const;

 private:
  void Start();

  TempFolder folder_;
  uint16_t rfc2217Port_ = 0;
  uint16_t rawPort_ = 0;
  pid_t pid_ = -1;
};

// A TCP port on 127.0.0.1 that nothing listens on (just now).
uint16_t FreeTcpPort();

}  // namespace vkt53
