// SPDX-License-Identifier: GPL-3.0-or-later
// A file read only up to a limit: reads end there as at the end of the file, so that a huge file
// costs no more than the part of it that can matter.
#pragma once
#include <algorithm>
#include <memory>

#include "platform/FileSystem.h"

namespace rz::platform {

class LimitedFile final : public File {
 public:
  LimitedFile(std::unique_ptr<File> inner, std::int64_t limit)
      : inner_(std::move(inner)), limit_(limit) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    const std::int64_t at = inner_->Tell();
    if (at < 0 || at >= limit_) return 0;
    const auto left = static_cast<std::uint64_t>(limit_ - at);
    return inner_->Read(buffer, static_cast<std::size_t>(std::min<std::uint64_t>(count, left)));
  }
  std::size_t Write(const void*, std::size_t) override { return 0; }
  bool Seek(std::int64_t offset, SeekOrigin origin) override {
    if (origin != SeekOrigin::End) return inner_->Seek(offset, origin);
    // The end of what may be read.
    if (!inner_->Seek(0, SeekOrigin::End)) return false;
    const std::int64_t end = std::min(inner_->Tell(), limit_);
    return end >= 0 && end + offset >= 0 && inner_->Seek(end + offset, SeekOrigin::Begin);
  }
  std::int64_t Tell() override { return inner_->Tell(); }
  bool Flush() override { return inner_->Flush(); }
  bool Close() override { return inner_->Close(); }

 private:
  std::unique_ptr<File> inner_;
  std::int64_t limit_;
};

}  // namespace rz::platform
