#include "sim/ImageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "sim/ScenarioObject.h"

namespace rz::sim {

namespace {

// An open file descriptor, closed when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }
  // Closes now; false (errno set) when closing reports an error.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// A temporary file that is removed unless it was renamed into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::string& Path() const { return path_; }
  void Keep() { path_.clear(); }

 private:
  std::string path_;
};

std::string Reason() { return std::strerror(errno); }

}  // namespace

std::vector<std::uint8_t> ReadImageFile(const std::string& path, std::size_t limit, bool persist,
                                        const std::string& what) {
  // O_NONBLOCK: opening a FIFO without a writer must not wait for one (it is refused below).
  Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.Get() < 0) throw ScenarioError("cannot read " + what + " " + path + ": " + Reason());
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0)
    throw ScenarioError("cannot read " + what + " " + path + ": " + Reason());
  if (S_ISDIR(st.st_mode)) throw ScenarioError(what + " " + path + " is a folder, not a file");
  if (!S_ISREG(st.st_mode)) throw ScenarioError(what + " " + path + " is not a regular file");

  // One byte more than the limit tells a file that is too long from one that fits exactly.
  std::vector<std::uint8_t> bytes(limit + 1);
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd.Get(), bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw ScenarioError("cannot read " + what + " " + path + ": " + Reason());
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got > limit && persist)
    throw ScenarioError(what + " " + path + " is larger than the " + std::to_string(limit) +
                        " bytes of the EEPROM it is written back from");
  bytes.resize(std::min(got, limit));
  return bytes;
}

void WriteImageFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  const auto fail = [&] {
    throw ScenarioError("cannot write the EEPROM image back to " + path + ": " + Reason());
  };
  // An image reached through a symbolic link is written through it, as a plain write would: the
  // file it points to is replaced, and the link stays.
  std::error_code ec;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
  const std::string target = ec ? path : resolved.string();
  std::string name = target + ".XXXXXX";
  const int raw = ::mkstemp(name.data());
  if (raw < 0) fail();
  Fd fd(raw);
  TemporaryFile temporary(name);
  // mkstemp creates the file for its owner only; keep the mode of the image it replaces.
  struct stat st {};
  const mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  if (::fchmod(fd.Get(), mode) != 0) fail();
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd.Get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = EIO;
    if (n <= 0) fail();
    done += static_cast<std::size_t>(n);
  }
  if (!fd.Close()) fail();
  if (::rename(temporary.Path().c_str(), target.c_str()) != 0) fail();
  temporary.Keep();
}

}  // namespace rz::sim
