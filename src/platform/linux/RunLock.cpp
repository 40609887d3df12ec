#include "platform/linux/RunLock.h"

#include <sys/file.h>

#include <cerrno>
#include <cstring>

namespace rz::platform {
namespace {

std::string Untouched(const std::string& why) {
  return "the program's single-instance lock cannot be taken (" + why +
         "): without it another run could reach the graphics card at the same time, so the card "
         "is not touched";
}

}  // namespace

RunLockState RunLock::Set(RunLockState state, std::string problem) {
  state_ = state;
  problem_ = std::move(problem);
  return state_;
}

RunLockState RunLock::Take() {
  if (state_ == RunLockState::Held) return state_;
  std::string reason;
  UniqueFd fd;
  if (helper_ && !helper_->Options().asRoot) {
    // The first moment of the run that needs privilege: the helper is started here.
    if (!helper_->Start()) return Set(RunLockState::Unavailable, helper_->Reason());
    fd = helper_->OpenRunLock(reason);
  } else {
    fd = OpenRunLockFile(path_, reason);
  }
  if (!fd.Valid()) return Set(RunLockState::Unavailable, Untouched(reason));
  int rc;
  do {
    rc = ::flock(fd.Get(), LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) {
    fd_ = std::move(fd);
    return Set(RunLockState::Held, {});
  }
  if (errno == EWOULDBLOCK)
    return Set(RunLockState::HeldElsewhere, "another run of the program holds the single-instance lock");
  return Set(RunLockState::Unavailable, Untouched(std::strerror(errno)));
}

void RunLock::Release() {
  fd_.Reset();  // closing the last descriptor of the open file releases the flock
  Set(RunLockState::NotTaken, {});
}

}  // namespace rz::platform
