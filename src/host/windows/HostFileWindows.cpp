// SPDX-License-Identifier: GPL-3.0-or-later
// The host's File on Windows: a buffered stream over a handle of the system's file calls
// (ReadFile, WriteFile, SetFilePointerEx, FlushFileBuffers).
#ifdef _WIN32
#include "host/windows/HostFileWindows.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace rz::platform {
namespace {

using win::OwnedHandle;

// The most bytes one ReadFile or WriteFile is asked for.
constexpr std::size_t kLargestTransfer = 1u << 30;

// A file like a buffered C stream: reads are served from a block read ahead, writes are gathered
// into a block; one buffer, used for one direction at a time.
class WinFile final : public File {
 public:
  WinFile(OwnedHandle handle, bool writable) : h_(std::move(handle)), writable_(writable) {}
  ~WinFile() override { Close(); }
  WinFile(const WinFile&) = delete;
  WinFile& operator=(const WinFile&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  bool Seek(std::int64_t offset, SeekOrigin origin) override;
  std::int64_t Tell() override;
  // Writes what is gathered and FlushFileBuffers; false too when an earlier write the caller was
  // told of did not reach the file.
  bool Flush() override;
  // Writes what is gathered and, for a file that was written, FlushFileBuffers: what was written
  // is on the disk when this returns true.
  bool Close() override;

 private:
  static constexpr std::size_t kBlock = 0x10000;
  bool WritePending();
  // Gives back the part of the block read ahead that was not consumed.
  bool DropReadAhead();
  std::int64_t SystemPosition();

  OwnedHandle h_;
  bool writable_;
  bool written_ = false;
  bool failed_ = false;  // a write the caller was told of did not reach the file
  std::array<std::uint8_t, kBlock> block_{};
  std::size_t readPos_ = 0;  // read ahead: block_[readPos_, readEnd_) not yet consumed
  std::size_t readEnd_ = 0;
  std::size_t pending_ = 0;  // gathered writes: block_[0, pending_)
};

std::size_t WinFile::Read(void* buffer, std::size_t count) {
  if (!h_ || !WritePending()) return 0;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    if (readPos_ < readEnd_) {
      const std::size_t n = std::min(readEnd_ - readPos_, count - done);
      std::memcpy(out + done, block_.data() + readPos_, n);
      readPos_ += n;
      done += n;
      continue;
    }
    DWORD got = 0;
    const std::size_t left = count - done;
    if (left >= kBlock) {  // large reads go straight to the caller's buffer
      if (!::ReadFile(h_.get(), out + done, static_cast<DWORD>(std::min(left, kLargestTransfer)),
                      &got, nullptr) || got == 0)
        break;
      done += got;
      continue;
    }
    readPos_ = readEnd_ = 0;
    if (!::ReadFile(h_.get(), block_.data(), kBlock, &got, nullptr) || got == 0) break;
    readEnd_ = got;
  }
  return done;
}

std::size_t WinFile::Write(const void* buffer, std::size_t count) {
  if (!h_ || !writable_ || !DropReadAhead()) return 0;
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const std::size_t left = count - done;
    if (pending_ == 0 && left >= kBlock) {  // large writes go straight to the file
      DWORD put = 0;
      if (!::WriteFile(h_.get(), in + done, static_cast<DWORD>(std::min(left, kLargestTransfer)),
                       &put, nullptr) || put == 0) {
        failed_ = true;
        break;
      }
      written_ = true;
      done += put;
      continue;
    }
    const std::size_t n = std::min(kBlock - pending_, left);
    std::memcpy(block_.data() + pending_, in + done, n);
    pending_ += n;
    done += n;
    if (pending_ == kBlock && !WritePending()) break;
  }
  return done;
}

bool WinFile::WritePending() {
  std::size_t at = 0;
  while (at < pending_) {
    DWORD put = 0;
    if (!::WriteFile(h_.get(), block_.data() + at, static_cast<DWORD>(pending_ - at), &put,
                     nullptr) || put == 0) {
      failed_ = true;
      pending_ = 0;
      return false;
    }
    written_ = true;
    at += put;
  }
  pending_ = 0;
  return true;
}

bool WinFile::DropReadAhead() {
  const std::size_t unread = readEnd_ - readPos_;
  readPos_ = readEnd_ = 0;
  if (unread == 0) return true;
  LARGE_INTEGER back{};
  back.QuadPart = -static_cast<LONGLONG>(unread);
  return ::SetFilePointerEx(h_.get(), back, nullptr, FILE_CURRENT) != FALSE;
}

std::int64_t WinFile::SystemPosition() {
  LARGE_INTEGER zero{};
  LARGE_INTEGER at{};
  if (!::SetFilePointerEx(h_.get(), zero, &at, FILE_CURRENT)) return -1;
  return at.QuadPart;
}

std::int64_t WinFile::Tell() {
  if (!h_) return -1;
  const std::int64_t at = SystemPosition();
  if (at < 0) return -1;
  return at + static_cast<std::int64_t>(pending_) - static_cast<std::int64_t>(readEnd_ - readPos_);
}

bool WinFile::Seek(std::int64_t offset, SeekOrigin origin) {
  if (!h_) return false;
  std::int64_t base = 0;
  if (origin == SeekOrigin::Current) {
    base = Tell();
  } else if (origin == SeekOrigin::End) {
    if (!WritePending()) return false;
    LARGE_INTEGER size{};
    base = ::GetFileSizeEx(h_.get(), &size) ? size.QuadPart : -1;
  }
  if (base < 0) return false;
  const std::int64_t target = base + offset;
  if (target < 0) return false;  // the position stays where it was
  if (!WritePending()) return false;
  readPos_ = readEnd_ = 0;
  LARGE_INTEGER to{};
  to.QuadPart = target;
  return ::SetFilePointerEx(h_.get(), to, nullptr, FILE_BEGIN) != FALSE;
}

bool WinFile::Flush() {
  if (!h_ || !WritePending() || failed_) return false;
  return !writable_ || ::FlushFileBuffers(h_.get()) != FALSE;
}

bool WinFile::Close() {
  if (!h_) return true;
  bool ok = WritePending();
  if (writable_ && written_ && !::FlushFileBuffers(h_.get())) ok = false;
  if (!::CloseHandle(h_.release())) ok = false;
  return ok && !failed_;
}

}  // namespace

std::unique_ptr<File> MakeHostFile(win::OwnedHandle handle, bool writable) {
  if (!handle) return nullptr;
  return std::make_unique<WinFile>(std::move(handle), writable);
}

}  // namespace rz::platform

#endif  // _WIN32
