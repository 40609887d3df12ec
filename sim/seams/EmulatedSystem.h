// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated process environment: executable path in the scenario's program folder, an
// in-process single-instance registry (and the lock on the machine's persisted card images, which
// reaches other processes), sleep on the virtual clock, a working directory of its own
// (relative file names resolve against it), and standard output that is recorded.
#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/RunFolder.h"
#include "platform/FileSystem.h"
#include "platform/System.h"
#include "sim/devices/Machine.h"
#include "sim/scenario/Calendar.h"
#include "sim/seams/DiskCache.h"

namespace rz::sim {

// Names held by running emulated instances; share one between programs to emulate two starts.
class InstanceRegistry {
 public:
  bool Holds(const std::string& name) const { return names_.count(name) != 0; }
  void Take(const std::string& name) { names_.insert(name); }
  void Release(const std::string& name) { names_.erase(name); }

 private:
  std::set<std::string> names_;
};

class EmulatedSystem final : public platform::System {
 public:
  EmulatedSystem(Machine& machine, std::shared_ptr<InstanceRegistry> instances,
                 std::string executablePath, std::string workingDirectory,
                 std::uint32_t osVersion);
  ~EmulatedSystem() override;

  std::string ExecutablePath() override { return executablePath_; }
  bool AnotherInstanceRunning(const std::string& name) override;
  void ReleaseSingleInstance() override;
  void Sleep(std::uint32_t milliseconds) override { machine_.Sleep(milliseconds); }
  std::string GetCurrentDirectory() override { return cwd_; }
  bool SetCurrentDirectory(const std::string& path) override;
  std::string ScratchDirectory() override;
  std::uint32_t GetOSVer() override { return osVersion_; }
  // The emulated machine's calendar: its start (2026-01-01 00:00:00 unless set) plus the virtual
  // clock, or the computer's local time.
  platform::LocalTime Now() override;
  // Where the calendar starts, in seconds since 1970-01-01 00:00:00 local time.
  void SetCalendarStart(std::int64_t seconds) { calendarStart_ = seconds; }
  // The calendar reads the computer's local time instead.
  void UseRealCalendar() { realCalendar_ = true; }
  void WriteStdoutLine(const std::string& line) override;
  // The folders SetUserFolders gave; none by default.
  platform::UserFolders GetUserFolders() override { return userFolders_; }

  // Absolute form of `path`, relative names taken against the working directory.
  std::string Resolve(const std::string& path) const;
  const std::vector<std::string>& StdoutLines() const { return stdout_; }
  // Also hand every standard-output line to this sink (a transcript, the terminal).
  void SetStdoutSink(std::function<void(const std::string&)> sink) { sink_ = std::move(sink); }
  void SetScratchDirectory(std::string dir) { scratch_ = std::move(dir); }
  void SetUserFolders(platform::UserFolders folders) { userFolders_ = std::move(folders); }
  // Another run holds a persisted card image of this machine: the single-instance test then
  // reports another instance, whatever the registry holds.
  void SetAnotherRunHoldsCard(bool held) { anotherRunHoldsCard_ = held; }

 private:
  Machine& machine_;
  std::shared_ptr<InstanceRegistry> instances_;
  std::string executablePath_;
  std::string cwd_;
  std::uint32_t osVersion_;
  std::string held_;
  bool anotherRunHoldsCard_ = false;
  std::string scratch_;
  std::int64_t calendarStart_ = kDefaultCalendarStart;
  bool realCalendar_ = false;
  std::unique_ptr<platform::RunFolder> ownScratch_;  // the scratch folder when made here
  std::vector<std::string> stdout_;
  platform::UserFolders userFolders_;
  std::function<void(const std::string&)> sink_;
};

// File faults a scenario can select, by path (after resolution) or by role.
struct FileFaults {
  // Each set holds absolute paths, file names, or folders (with their trailing separator) whose
  // files all fail.
  std::set<std::string> failOpenWrite;  // cannot be created
  std::set<std::string> failWrite;      // writes to these files stop short
  std::set<std::string> failClose;      // closing these files reports an error
  bool failCreateUnique = false;        // no temporary file can be created
  bool failRename = false;
  // The disk fills up at the write with this number (counting from 0 every Write call on a file
  // opened for writing, every Copy, and every flush of a file or a folder): that write and all
  // later ones stop short, later copies and flushes fail.
  std::optional<std::uint64_t> diskFullAtWrite;
  // Only the call with this number fails (counting from 0 every open, write, flush and close of
  // a file, and every rename, removal, copy, folder creation and folder flush; reads are not
  // counted: a program reads a file in as many calls as it likes).
  std::optional<std::uint64_t> failCallAt;
};

// The host file system with relative names resolved against the emulated working directory, with
// injectable failures, and with a disk that loses what was not flushed when the power goes.
class EmulatedFileSystem final : public platform::FileSystem {
 public:
  explicit EmulatedFileSystem(EmulatedSystem& system);
  FileFaults& Faults() { return faults_; }
  // Writes, copies and flushes so far (the numbering diskFullAtWrite uses).
  std::uint64_t WritesSoFar() const { return writes_; }
  // Counts one write, copy or flush; true when it finds the disk full.
  bool CountWrite();
  // What the disk holds: `gone` tells when the machine lost its power (flushes after that do not
  // count); LosePower makes the files what the disk held then.
  void SetPowerGone(std::function<bool()> gone) { cache_.SetPowerGone(std::move(gone)); }
  void LosePower();
  DiskCache& Cache() { return cache_; }
  // File calls so far (the numbering failCallAt uses); the one failCallAt made fail, as "write
  // PATH", once it has.
  std::uint64_t CallsSoFar() const { return calls_; }
  const std::optional<std::string>& FailedCall() const { return failedCall_; }
  // Counts one file call; true when it is the one to fail.
  bool CountCall(const char* what, const std::string& path);

  // From now on every change to the host's files is noted, so that UndoChanges can put them back
  // as they stood here (a forked test run leaves its parent's files as it found them).
  void StartJournal();
  void UndoChanges();

  std::unique_ptr<platform::File> OpenRead(const std::string& path) override;
  std::unique_ptr<platform::File> OpenWrite(const std::string& path) override;
  std::unique_ptr<platform::File> OpenAppend(const std::string& path) override;
  std::unique_ptr<platform::File> CreateNew(const std::string& path) override;
  std::unique_ptr<platform::File> CreateUnique(const std::string& folder, const std::string& prefix,
                                               std::string& path) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  bool Exists(const std::string& path) override;
  bool Copy(const std::string& from, const std::string& to) override;
  std::int64_t Size(const std::string& path) override;
  platform::PathKind Kind(const std::string& path) override;
  std::string FinalTarget(const std::string& path) override;
  bool CanWrite(const std::string& path) override;
  bool CreateFolder(const std::string& path) override;
  bool FlushFolder(const std::string& path) override;
  std::vector<std::string> FileNames(const std::string& folder) override;

 private:
  bool Matches(const std::set<std::string>& set, const std::string& absolute) const;
  bool CopyHalf(const std::string& from, const std::string& to);
  // A file opened for writing at `abs` is followed by the disk cache.
  std::unique_ptr<platform::File> Wrap(std::unique_ptr<platform::File> f, const std::string& abs,
                                       bool written = false);
  // The disk cache and the journal, when one is kept, hear of every change.
  void NoteBefore(const std::string& abs);
  void NoteMade(const std::string& abs, bool folder);
  std::optional<DiskCache::Node> NoteOpened(const std::string& abs);

  EmulatedSystem& system_;
  std::unique_ptr<platform::FileSystem> host_;
  FileFaults faults_;
  std::uint64_t writes_ = 0;
  std::uint64_t calls_ = 0;
  std::optional<std::string> failedCall_;
  DiskCache cache_;
  // What stood at each changed path when the journal started (a cache whose flushes never count).
  std::unique_ptr<DiskCache> journal_;
};

}  // namespace rz::sim
