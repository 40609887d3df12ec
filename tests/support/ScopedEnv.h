// SPDX-License-Identifier: GPL-3.0-or-later
// Sets an environment variable for the life of the object and puts back what was there.
#pragma once
#include <cstdlib>
#include <optional>
#include <string>

namespace rz::test {

class ScopedEnv {
 public:
  ScopedEnv(std::string name, const std::string& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    Set(value);
  }
  ~ScopedEnv() {
    if (old_)
      Set(*old_);
    else
      Unset();
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Set(const std::string& value) {
#ifdef _WIN32
    ::_putenv_s(name_.c_str(), value.c_str());
#else
    ::setenv(name_.c_str(), value.c_str(), 1);
#endif
  }
  void Unset() {
#ifdef _WIN32
    ::_putenv_s(name_.c_str(), "");
#else
    ::unsetenv(name_.c_str());
#endif
  }
  std::string name_;
  std::optional<std::string> old_;
};

// The variable that names the temporary folder on this system.
#ifdef _WIN32
inline constexpr const char* kTemporaryFolderVariable = "TMP";
#else
inline constexpr const char* kTemporaryFolderVariable = "TMPDIR";
#endif

}  // namespace rz::test
