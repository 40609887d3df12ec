// SPDX-License-Identifier: GPL-3.0-or-later
// A path or name of the program (UTF-8) in the form the system's wide calls take. A text that
// cannot be given to the system exactly as it is is not given at all: the call is not made and
// the caller reports its failure, with the system's last error saying why. Text that is not
// UTF-8 gives ERROR_NO_UNICODE_TRANSLATION; a zero character inside gives ERROR_INVALID_NAME
// (the call would read only the part before it, another name).
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "host/windows/Utf16.h"
#include "host/windows/Win32.h"

namespace rz::platform::win {

class WideName {
 public:
  explicit WideName(std::string_view utf8) {
    if (utf8.find('\0') != std::string_view::npos) {
      ::SetLastError(ERROR_INVALID_NAME);
      return;
    }
    text_ = WidenExact(utf8);
    if (!text_) ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
  }
  explicit operator bool() const { return text_.has_value(); }
  // Only when the name converted.
  const wchar_t* c_str() const { return text_->c_str(); }
  const std::wstring& str() const { return *text_; }

 private:
  std::optional<std::wstring> text_;
};

}  // namespace rz::platform::win
