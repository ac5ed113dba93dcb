#ifdef _WIN32

#include "app/cli/windows_console.h"

#include <algorithm>
#include <iostream>
#include <string>

#include "support/wide_text.h"
#include "support/windows_api.h"

namespace vkt53 {

namespace {

// At most this many UTF-16 units a call: older consoles refuse large writes.
constexpr std::size_t kConsoleChunk = 8192;

// The length of the text's whole characters: a sequence the end cuts short
// waits for its remaining bytes, so that a character is never split.
std::size_t WholeCharactersLength(const std::string& text) {
  const std::size_t size = text.size();
  for (std::size_t back = 1; back <= std::min<std::size_t>(3, size); ++back) {
    const auto byte = static_cast<unsigned char>(text[size - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte
    const std::size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return needed > back ? size - back : size;
  }
  return size;
}

// The console of a standard handle, or nothing when the handle is a file,
// a pipe or absent.
HANDLE ConsoleOf(DWORD standardHandle) {
  const HANDLE handle = GetStdHandle(standardHandle);
  DWORD mode = 0;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) {
    return nullptr;
  }
  return handle;
}

}  // namespace

// Collects what is written and hands it to the console as UTF-16 at each
// line end and each flush (std::cerr flushes after every output, so the
// progress line's carriage returns reach the console at once).
class ConsoleBuffer : public std::streambuf {
 public:
  explicit ConsoleBuffer(HANDLE console) : console_(console) {}
  ~ConsoleBuffer() override { Write(pending_.size()); }
  ConsoleBuffer(const ConsoleBuffer&) = delete;
  ConsoleBuffer& operator=(const ConsoleBuffer&) = delete;

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    pending_.push_back(byte);
    if (byte == '\n' && !Write(WholeCharactersLength(pending_))) return traits_type::eof();
    return c;
  }

  std::streamsize xsputn(const char* text, std::streamsize count) override {
    pending_.append(text, static_cast<std::size_t>(count));
    if (pending_.find('\n') != std::string::npos && !Write(WholeCharactersLength(pending_))) {
      return 0;
    }
    return count;
  }

  int sync() override { return Write(WholeCharactersLength(pending_)) ? 0 : -1; }

 private:
  // Writes the first `length` bytes of what is pending.
  bool Write(std::size_t length) {
    const std::wstring wide = WideFromUtf8(pending_.substr(0, length));
    pending_.erase(0, length);
    for (std::size_t done = 0; done < wide.size();) {
      std::size_t chunk = std::min(wide.size() - done, kConsoleChunk);
      // A surrogate pair stays in one call.
      if (done + chunk < wide.size() && IS_HIGH_SURROGATE(wide[done + chunk - 1])) --chunk;
      DWORD written = 0;
      if (!WriteConsoleW(console_, wide.data() + done, static_cast<DWORD>(chunk), &written,
                         nullptr) ||
          written == 0) {
        return false;
      }
      done += written;
    }
    return true;
  }

  HANDLE console_;
  std::string pending_;
};

ConsoleText::ConsoleText() {
  if (const HANDLE console = ConsoleOf(STD_OUTPUT_HANDLE)) {
    std::cout.flush();
    out_ = std::make_unique<ConsoleBuffer>(console);
    redirectedOut_ = std::cout.rdbuf(out_.get());
  }
  if (const HANDLE console = ConsoleOf(STD_ERROR_HANDLE)) {
    std::cerr.flush();
    err_ = std::make_unique<ConsoleBuffer>(console);
    redirectedErr_ = std::cerr.rdbuf(err_.get());
  }
}

ConsoleText::~ConsoleText() {
  if (out_) {
    std::cout.flush();
    std::cout.rdbuf(redirectedOut_);
  }
  if (err_) {
    std::cerr.flush();
    std::cerr.rdbuf(redirectedErr_);
  }
}

}  // namespace vkt53

#endif  // _WIN32
