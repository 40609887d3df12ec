// SPDX-License-Identifier: GPL-3.0-or-later
// The program's single-instance lock on Linux: an flock on the machine's lock file
// (RunLockFile.h), which root's program opens itself and an ordinary user's program receives from
// the run's access helper. It is one lock for the machine, whatever the program is called, so the
// windowed program, the terminal front end and every user exclude each other, and no ordinary user
// can take it in root's way. When it cannot be had at all the test cannot say that another
// instance runs; the run then holds no lock, and the driver bring-up refuses to reach the card.
#pragma once
#include <string>

#include "backends/linux/broker/AccessSession.h"
#include "backends/linux/broker/RunLockFile.h"
#include "backends/linux/process/UniqueFd.h"

namespace rz::platform {

enum class RunLockState {
  NotTaken,       // not tried yet, or released
  Held,           // this run holds it until Release or its end
  HeldElsewhere,  // another run holds it
  Unavailable,    // it could not be had: Problem() says why
};

// Whether the machine's lock list (/proc/locks, readable by every user) shows an flock on the
// file at `path`, whoever holds it.
bool FlockedByAnyone(const std::string& path, const std::string& locksFile = "/proc/locks");

class RunLock {
 public:
  // `helper` is the run's access session, asked unless it is root's; null: the file at `path` is
  // opened directly. With a helper, `path` is where the helper's lock file is: a lock another run
  // holds there is seen without starting the helper (no password prompt for a refused start).
  explicit RunLock(std::string path = kRunLockPath, AccessSession* helper = nullptr)
      : path_(std::move(path)), helper_(helper) {}

  // Tries to take the lock, never waiting; a lock held already stays held.
  RunLockState Take();
  void Release();
  RunLockState State() const { return state_; }
  // Why the lock is not held, for the terminal; empty while it is held or was not tried.
  const std::string& Problem() const { return problem_; }

 private:
  RunLockState Set(RunLockState state, std::string problem);

  std::string path_;
  AccessSession* helper_;
  UniqueFd fd_;
  RunLockState state_ = RunLockState::NotTaken;
  std::string problem_;
};

}  // namespace rz::platform
