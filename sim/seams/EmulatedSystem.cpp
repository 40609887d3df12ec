// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/seams/EmulatedSystem.h"

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "base/Paths.h"
#include "base/Utf8Path.h"
#include "host/RunFolder.h"
#include "sim/scenario/Calendar.h"

namespace rz::sim {

EmulatedSystem::EmulatedSystem(Machine& machine, std::shared_ptr<InstanceRegistry> instances,
                               std::string executablePath, std::string workingDirectory,
                               std::uint32_t osVersion)
    : machine_(machine),
      instances_(std::move(instances)),
      executablePath_(std::move(executablePath)),
      cwd_(std::move(workingDirectory)),
      osVersion_(osVersion) {}

EmulatedSystem::~EmulatedSystem() {
  ReleaseSingleInstance();
}

bool EmulatedSystem::AnotherInstanceRunning(const std::string& name) {
  if (anotherRunHoldsCard_ || instances_->Holds(name)) return true;
  instances_->Take(name);
  held_ = name;
  return false;
}

void EmulatedSystem::ReleaseSingleInstance() {
  if (!held_.empty()) instances_->Release(held_);
  held_.clear();
}

bool EmulatedSystem::SetCurrentDirectory(const std::string& path) {
  std::error_code ec;
  const std::string abs = Resolve(path);
  if (!std::filesystem::is_directory(PathFromUtf8(abs), ec)) return false;
  cwd_ = abs;
  return true;
}

std::string EmulatedSystem::ScratchDirectory() {
  if (scratch_.empty()) {
    // No usable temporary folder: none, as on a real system. A run folder, so that the next
    // run clears it when this one is killed.
    ownScratch_ = std::make_unique<platform::RunFolder>(platform::RunFolderKind::Sim);
    scratch_ = ownScratch_->Path();
  }
  return scratch_;
}


platform::LocalTime EmulatedSystem::Now() {
  if (realCalendar_) return CivilFromSeconds(RealLocalCalendarNow());
  return CivilFromSeconds(calendarStart_ +
                          static_cast<std::int64_t>(machine_.Clock().Now() / (1000 * kMillisecond)));
}

void EmulatedSystem::WriteStdoutLine(const std::string& line) {
  stdout_.push_back(line);
  if (sink_) sink_(line);
}

std::string EmulatedSystem::Resolve(const std::string& path) const {
  if (path.empty() || PathFromUtf8(path).is_absolute()) return path;
  std::string base = cwd_;
  if (!base.empty() && base.back() != kPathSeparator) base += kPathSeparator;
  return base + path;
}

EmulatedFileSystem::EmulatedFileSystem(EmulatedSystem& system)
    : system_(system), host_(platform::MakeHostFileSystem()) {}

bool EmulatedFileSystem::Matches(const std::set<std::string>& set, const std::string& abs) const {
  return set.count(abs) != 0 || set.count(FileNameOf(abs)) != 0 || set.count(FolderOf(abs)) != 0;
}

bool EmulatedFileSystem::CountWrite() {
  const std::uint64_t number = writes_++;
  return faults_.diskFullAtWrite && number >= *faults_.diskFullAtWrite;
}

bool EmulatedFileSystem::CountCall(const char* what, const std::string& path) {
  if (calls_++ != faults_.failCallAt) return false;
  failedCall_ = std::string(what) + " " + path;
  return true;
}

void EmulatedFileSystem::NoteBefore(const std::string& abs) {
  cache_.Before(abs);
  if (journal_) journal_->Before(abs);
}

void EmulatedFileSystem::NoteMade(const std::string& abs, bool folder) {
  cache_.Made(abs, folder);
  if (journal_) journal_->Made(abs, folder);
}

std::optional<DiskCache::Node> EmulatedFileSystem::NoteOpened(const std::string& abs) {
  if (journal_) journal_->Opened(abs);
  return cache_.Opened(abs);
}

void EmulatedFileSystem::LosePower() {
  // The cut rewrites paths the journal may not know yet: note them first.
  if (journal_)
    for (const auto& path : cache_.Paths()) journal_->Before(path);
  cache_.LosePower();
}

void EmulatedFileSystem::StartJournal() {
  journal_ = std::make_unique<DiskCache>();
  journal_->SetPowerGone([] { return true; });
}

void EmulatedFileSystem::UndoChanges() {
  if (!journal_) return;
  journal_->LosePower();
  journal_.reset();
}

namespace {
// A file of the emulated file system: its writes counted, failing as its faults say, its flushes
// handed to the disk cache.
class FaultyFile final : public platform::File {
 public:
  FaultyFile(std::unique_ptr<platform::File> f, EmulatedFileSystem& fs, std::string path,
             bool failWrite, bool failClose, std::optional<DiskCache::Node> node)
      : f_(std::move(f)), fs_(fs), path_(std::move(path)), failWrite_(failWrite),
        failClose_(failClose), node_(node) {}
  std::size_t Read(void* b, std::size_t n) override { return f_->Read(b, n); }
  std::size_t Write(const void* b, std::size_t n) override {
    const bool failed = fs_.CountCall("write", path_);
    const bool full = fs_.CountWrite();
    if (failWrite_ || full || failed) return f_->Write(b, n / 2);  // a disk that fills up half-way
    return f_->Write(b, n);
  }
  bool Seek(std::int64_t o, platform::SeekOrigin w) override { return f_->Seek(o, w); }
  std::int64_t Tell() override { return f_->Tell(); }
  bool Flush() override {
    if (fs_.CountCall("flush", path_)) return false;
    if (!node_) return f_->Flush();
    // A full disk cannot take what the cache holds back.
    if (fs_.CountWrite() || !f_->Flush()) return false;
    fs_.Cache().FileFlushed(*node_);
    return true;
  }
  bool Close() override {
    if (closed_) return f_->Close();
    closed_ = true;
    const bool failed = fs_.CountCall(node_ ? "close" : "close after reading", path_);
    const bool ok = f_->Close();
    return ok && !failClose_ && !failed;
  }

 private:
  std::unique_ptr<platform::File> f_;
  EmulatedFileSystem& fs_;
  std::string path_;
  bool failWrite_;
  bool failClose_;
  std::optional<DiskCache::Node> node_;  // files opened for writing
  bool closed_ = false;
};
}  // namespace

std::unique_ptr<platform::File> EmulatedFileSystem::Wrap(std::unique_ptr<platform::File> f,
                                                         const std::string& abs, bool written) {
  if (!f) return f;
  const bool w = Matches(faults_.failWrite, abs), c = Matches(faults_.failClose, abs);
  const auto node = written ? NoteOpened(abs) : std::nullopt;
  return std::make_unique<FaultyFile>(std::move(f), *this, abs, w, c, node);
}

std::unique_ptr<platform::File> EmulatedFileSystem::OpenRead(const std::string& path) {
  const std::string abs = system_.Resolve(path);
  if (CountCall("open to read", abs)) return nullptr;
  return Wrap(host_->OpenRead(abs), abs);
}

std::unique_ptr<platform::File> EmulatedFileSystem::OpenWrite(const std::string& path) {
  const std::string abs = system_.Resolve(path);
  if (CountCall("open", abs) || Matches(faults_.failOpenWrite, abs)) return nullptr;
  NoteBefore(abs);
  return Wrap(host_->OpenWrite(abs), abs, true);
}

std::unique_ptr<platform::File> EmulatedFileSystem::OpenAppend(const std::string& path) {
  const std::string abs = system_.Resolve(path);
  if (CountCall("open to append", abs) || Matches(faults_.failOpenWrite, abs)) return nullptr;
  NoteBefore(abs);
  return Wrap(host_->OpenAppend(abs), abs, true);
}

std::unique_ptr<platform::File> EmulatedFileSystem::CreateNew(const std::string& path) {
  const std::string abs = system_.Resolve(path);
  if (CountCall("open", abs) || Matches(faults_.failOpenWrite, abs)) return nullptr;
  NoteBefore(abs);
  return Wrap(host_->CreateNew(abs), abs, true);
}

std::unique_ptr<platform::File> EmulatedFileSystem::CreateUnique(const std::string& folder,
                                                                 const std::string& prefix,
                                                                 std::string& path) {
  if (CountCall("open", folder + prefix) || faults_.failCreateUnique) return nullptr;
  std::string absFolder = folder.empty() ? system_.GetCurrentDirectory() : system_.Resolve(folder);
  if (!absFolder.empty() && absFolder.back() != kPathSeparator) absFolder += kPathSeparator;
  auto f = host_->CreateUnique(absFolder, prefix, path);
  if (f) NoteMade(path, false);  // a name nothing stood at
  return Wrap(std::move(f), path, true);
}

bool EmulatedFileSystem::Rename(const std::string& from, const std::string& to) {
  const std::string a = system_.Resolve(from), b = system_.Resolve(to);
  if (CountCall("rename", a) || faults_.failRename) return false;
  NoteBefore(a);
  NoteBefore(b);
  if (!host_->Rename(a, b)) return false;
  cache_.Renamed(a, b);
  if (journal_) journal_->Renamed(a, b);
  return true;
}

bool EmulatedFileSystem::Remove(const std::string& path) {
  const std::string abs = system_.Resolve(path);
  if (CountCall("remove", abs)) return false;
  NoteBefore(abs);
  if (!host_->Remove(abs)) return false;
  cache_.Removed(abs);
  if (journal_) journal_->Removed(abs);
  return true;
}

bool EmulatedFileSystem::Exists(const std::string& path) {
  return host_->Exists(system_.Resolve(path));
}

// A copy onto a full disk: the target gets the first half of the source, and the copy fails.
bool EmulatedFileSystem::CopyHalf(const std::string& from, const std::string& to) {
  const auto in = host_->OpenRead(from);
  if (!in) return false;
  const std::int64_t size = std::max<std::int64_t>(0, host_->Size(from));
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  bytes.resize(in->Read(bytes.data(), bytes.size()));
  if (const auto out = host_->OpenWrite(to)) {
    out->Write(bytes.data(), bytes.size() / 2);
    out->Close();
  }
  return false;
}

bool EmulatedFileSystem::Copy(const std::string& from, const std::string& to) {
  const std::string absTo = system_.Resolve(to);
  if (CountCall("copy", absTo) || Matches(faults_.failOpenWrite, absTo)) return false;
  const std::string absFrom = system_.Resolve(from);
  const bool onto_itself = host_->FinalTarget(absFrom) == host_->FinalTarget(absTo);
  if (!onto_itself) NoteBefore(absTo);
  const bool full = CountWrite() && !onto_itself;
  const bool copied = full ? CopyHalf(absFrom, absTo) : host_->Copy(absFrom, absTo);
  if (!onto_itself && host_->Kind(absTo) == platform::PathKind::File) NoteOpened(absTo);
  return copied;
}

std::int64_t EmulatedFileSystem::Size(const std::string& path) {
  return host_->Size(system_.Resolve(path));
}

platform::PathKind EmulatedFileSystem::Kind(const std::string& path) {
  return host_->Kind(system_.Resolve(path));
}

std::string EmulatedFileSystem::FinalTarget(const std::string& path) {
  return host_->FinalTarget(system_.Resolve(path));
}

bool EmulatedFileSystem::CanWrite(const std::string& path) {
  return host_->CanWrite(system_.Resolve(path));
}

bool EmulatedFileSystem::CreateFolder(const std::string& path) {
  const std::string abs = system_.Resolve(path);
  if (CountCall("create folder", abs) || Matches(faults_.failOpenWrite, abs)) return false;
  NoteBefore(abs);
  if (!host_->CreateFolder(abs)) return false;
  NoteMade(abs, true);
  return true;
}

bool EmulatedFileSystem::FlushFolder(const std::string& path) {
  const std::string abs = system_.Resolve(path);
  if (CountCall("flush folder", abs) || CountWrite() || !host_->FlushFolder(abs)) return false;
  cache_.FolderFlushed(abs);
  return true;
}

std::vector<std::string> EmulatedFileSystem::FileNames(const std::string& folder) {
  return host_->FileNames(system_.Resolve(folder));
}

}  // namespace rz::sim
