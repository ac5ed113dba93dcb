// Windows only: UTF-8 to and from the UTF-16 of the system's wide calls. The
// program keeps every text and path in UTF-8; the ANSI calls would read and
// write them in the machine's code page instead.
#pragma once
#ifdef _WIN32

#include <string>

namespace vkt53 {

std::wstring WideFromUtf8(const std::string& utf8);
std::string Utf8FromWide(const std::wstring& wide);

}  // namespace vkt53

#endif  // _WIN32
