// SPDX-License-Identifier: GPL-3.0-or-later
// Folders of the run that only this user can open: made under the system's temporary folder (or
// a given one) with a random name, and removed with their content when the owner goes. Scratch
// files, the vendor tool's exchange files and the emulated machines' files live in such folders.
#pragma once
#include <optional>
#include <string>

namespace rz::platform {

// The system's temporary folder (TMPDIR on POSIX systems, TMP/TEMP on Windows); empty when it is
// not a folder.
std::string TemporaryRoot();

// Makes a new folder named `prefix` and random characters under `root` (empty: TemporaryRoot()),
// readable by this user only. Its path, or nullopt with the reason in `error`.
std::optional<std::string> MakePrivateFolder(const std::string& prefix, const std::string& root = {},
                                             std::string* error = nullptr);

// Whether `name` (a file name, no folder) has the shape MakePrivateFolder gives its folders for
// `prefix`: the prefix, then exactly the random characters it adds (six letters or digits on
// POSIX systems, eight hexadecimal digits on Windows) and nothing else.
bool IsPrivateFolderName(const std::string& name, const std::string& prefix);

class PrivateFolder {
 public:
  explicit PrivateFolder(const std::string& prefix, const std::string& root = {});
  ~PrivateFolder();
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  // Empty when the folder could not be made (Error() says why).
  const std::string& Path() const { return path_; }
  const std::string& Error() const { return error_; }
  // "name" inside the folder.
  std::string File(const std::string& name) const;

 private:
  std::string path_;
  std::string error_;
};

}  // namespace rz::platform
