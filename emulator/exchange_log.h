// The exchange log: every request and answer as time-stamped hex with one
// decoded line each, for a person watching the emulator work.
#pragma once

#include <cstdio>
#include <span>
#include <string>

namespace emu {

class ExchangeLog {
 public:
  // Writes nothing unless enabled; notices go to `out` either way.
  ExchangeLog(std::FILE* out, bool enabled) : out_(out), enabled_(enabled) {}

  bool enabled() const { return enabled_; }

  // "HH:MM:SS.mmm <direction> <hex bytes>" then "             <decoded>".
  void Bytes(const char* direction, std::span<const uint8_t> bytes, const std::string& decoded);
  // One time-stamped line.
  void Line(const std::string& text);
  // A line worth seeing without --log (a state file that cannot be saved).
  void Notice(const std::string& text);

 private:
  void Write(const std::string& text);

  std::FILE* out_;
  bool enabled_;
};

}  // namespace emu
