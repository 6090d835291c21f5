// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The system calls a file is written with, taken over in the files tests' program (its own
// definitions come before the C library's): counted once armed, the process killed at a given
// one, a flush made to fail, writes cut short, and every umask call counted.

namespace shim {

// From now on: open, fchmod, write, fsync, close and rename count as steps; the process is
// killed (SIGKILL) at step killAt (0: never) and fsync number failFsync (0: none) fails with EIO.
// Writes are cut to 64 KiB each, so that a large text takes several steps.
void Arm(int killAt, int failFsync);
void Disarm();
int Steps();
int UmaskCalls();

} // namespace shim
