// SPDX-License-Identifier: GPL-3.0-or-later
// Standard descriptors a program was started without. A program started with descriptor 0, 1 or 2
// closed (`>&-`) hands that number to the next file it opens, and its messages would then land in
// that file (a lock file, a backup). Privileged programs guard against it the same way: each
// closed one is opened onto the null device before anything else happens.
#pragma once

namespace rz::platform {

// Opens the null device onto each of descriptors 0, 1 and 2 that is closed (for reading onto 0,
// for writing onto 1 and 2); open ones are left as they are. False when the null device cannot
// be opened: the program must then end before it opens anything.
bool OpenNullOntoClosedStandardDescriptors();

}  // namespace rz::platform
