// Windows only: Russian text in a console window. The C runtime passes the
// program's UTF-8 bytes to a console in the console's code page, where they
// come out garbled; the console's own wide call shows them as they are, and
// the console's code page is left as the user had it.
#pragma once
#ifdef _WIN32

#include <memory>
#include <streambuf>

namespace vkt53 {

class ConsoleBuffer;

// While it lives, std::cout and std::cerr, each when it is a console, write
// through WriteConsoleW. A stream redirected to a file or a pipe keeps
// writing the UTF-8 bytes, as on every other system.
class ConsoleText {
 public:
  ConsoleText();
  ~ConsoleText();
  ConsoleText(const ConsoleText&) = delete;
  ConsoleText& operator=(const ConsoleText&) = delete;

 private:
  std::unique_ptr<ConsoleBuffer> out_;
  std::unique_ptr<ConsoleBuffer> err_;
  std::streambuf* redirectedOut_ = nullptr;  // the streams' own buffers, given back at the end
  std::streambuf* redirectedErr_ = nullptr;
};

}  // namespace vkt53

#endif  // _WIN32
