// SPDX-License-Identifier: GPL-3.0-or-later
// Owners of the system's handles: each closes its handle with the call that belongs to its kind,
// once, when it goes or is reset, so that no path of the backend leaks one.
#pragma once
#include <utility>

#include "host/windows/Win32.h"

namespace rz::platform::win {

template <typename Kind>
class Owned {
 public:
  using Handle = typename Kind::Handle;
  Owned() = default;
  explicit Owned(Handle h) : h_(h) {}
  ~Owned() { reset(); }
  Owned(Owned&& other) noexcept : h_(std::exchange(other.h_, Handle{})) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) {
      reset();
      h_ = std::exchange(other.h_, Handle{});
    }
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  Handle get() const { return h_; }
  explicit operator bool() const { return Kind::Valid(h_); }
  void reset(Handle h = Handle{}) {
    if (Kind::Valid(h_)) Kind::Close(h_);
    h_ = h;
  }
  // Hands the handle over to the caller, who closes it.
  Handle release() { return std::exchange(h_, Handle{}); }

 private:
  Handle h_{};
};

// Kernel objects: files, devices, processes, mutexes, tokens. Both null and INVALID_HANDLE_VALUE
// mean "none", as different calls report failure with one or the other.
struct KernelObject {
  using Handle = HANDLE;
  static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};

// The service control manager and its services.
struct ServiceObject {
  using Handle = SC_HANDLE;
  static bool Valid(SC_HANDLE h) { return h != nullptr; }
  static void Close(SC_HANDLE h) { ::CloseServiceHandle(h); }
};

struct RegistryKey {
  using Handle = HKEY;
  static bool Valid(HKEY h) { return h != nullptr; }
  static void Close(HKEY h) { ::RegCloseKey(h); }
};

struct LoadedLibrary {
  using Handle = HMODULE;
  static bool Valid(HMODULE h) { return h != nullptr; }
  static void Close(HMODULE h) { ::FreeLibrary(h); }
};

// A folder listing of FindFirstFile.
struct FindSearch {
  using Handle = HANDLE;
  static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::FindClose(h); }
};

using OwnedHandle = Owned<KernelObject>;
using OwnedSearch = Owned<FindSearch>;
using OwnedService = Owned<ServiceObject>;
using OwnedKey = Owned<RegistryKey>;
using OwnedLibrary = Owned<LoadedLibrary>;

}  // namespace rz::platform::win
