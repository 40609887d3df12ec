// SPDX-License-Identifier: GPL-3.0-or-later
// An exclusive lock named after a file's path, between the processes of this machine (and
// between two holders in one process): the emulated machine locks the image file that holds a
// card's EEPROM across runs, so that two runs never work on one emulated card at once. The lock
// needs no file of its own and never waits; the system drops it when its holder's process ends,
// however it ends. On Linux it is an abstract Unix socket name, on Windows a named mutex; either
// is named after the path with its links followed (the file need not exist yet).
#pragma once
#include <cstdint>
#include <string>

namespace rz::platform {

class PathLock {
 public:
  enum class State { Held, HeldElsewhere, Failed };

  explicit PathLock(const std::string& path);
  ~PathLock();
  PathLock(const PathLock&) = delete;
  PathLock& operator=(const PathLock&) = delete;

  State GetState() const { return state_; }
  bool Held() const { return state_ == State::Held; }
  // Why the lock could not be taken (Failed); empty otherwise.
  const std::string& Error() const { return error_; }
  // The system-wide name the lock goes by.
  const std::string& Name() const { return name_; }

 private:
  State state_ = State::Failed;
  std::string name_;
  std::string error_;
  std::intptr_t handle_ = -1;  // socket descriptor or mutex handle while held
};

}  // namespace rz::platform
