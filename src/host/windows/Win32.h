// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows system headers as the backend uses them. Several seam methods share their names with
// macros of these headers (CreateService, OpenService, StartService, GetCurrentDirectory,
// SetCurrentDirectory, MessageBox, ExitWindows): the macros are removed here, so that a file that
// includes both sees the seams' own names. Include this, never <windows.h> itself.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef CreateService
#undef OpenService
#undef StartService
#undef GetCurrentDirectory
#undef SetCurrentDirectory
#undef MessageBox
#undef ExitWindows
