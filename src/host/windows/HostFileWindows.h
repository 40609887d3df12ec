// SPDX-License-Identifier: GPL-3.0-or-later
// The host's File on Windows over a handle the file system opened (HostFileSystemWindows.cpp).
#pragma once
#ifdef _WIN32
#include <memory>

#include "host/windows/OwnedHandles.h"
#include "platform/FileSystem.h"

namespace rz::platform {

// A buffered stream over `handle`, which it owns; null when the handle is not valid. Only a
// `writable` one writes.
std::unique_ptr<File> MakeHostFile(win::OwnedHandle handle, bool writable);

}  // namespace rz::platform

#endif  // _WIN32
