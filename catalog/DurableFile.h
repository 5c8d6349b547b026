// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two things every file of fixed-size entries that the catalogue keeps
// needs: opening it for changes by one program only, and writing one entry
// in place so that it is durable when the call returns and, when writing
// fails, the file is as it was before.

#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/Files.h"

namespace vestiscop::catalog {

// Opens path for reading and writing, creating it empty when missing (never
// truncating); a file created now gets its directory entry made durable too,
// so that it does not vanish with a power cut after its first entry. With
// lock, takes an exclusive advisory lock: another program that wants to
// change the file at the same time gets SystemError 2 instead of the two
// overwriting each other's entries from their copies in memory.
void openForChanges(foundation::BinaryFile& file, const std::string& path, bool lock);

// Makes the directory entries of path's folder durable (a file created or
// renamed there); best effort.
void syncDirectoryOf(const std::string& path);

// Writes n bytes at offset and waits until they are durable (fdatasync).
// When that fails, the bytes the place held are written back (an extension
// of the file is cut off again), as well as the system allows, and the
// SystemError 4 propagates: a half-written last entry would make the whole
// file unreadable at the next start.
void writeInPlace(foundation::BinaryFile& file, std::int64_t offset, const void* data, std::size_t n);

} // namespace vestiscop::catalog
