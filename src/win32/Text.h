// Texts between the program (UTF-8) and the window system (UTF-16).
#pragma once
#include <string>
#include <string_view>

namespace rz::win32 {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace rz::win32
