#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/linux/UniqueFd.h"

namespace platform::linux_impl {

enum class ReadStatus { Ok, Missing, Failed, TooLarge };

struct FileContents {
  ReadStatus status = ReadStatus::Failed;
  std::string bytes;
};

// Reads a whole regular file of at most maxBytes bytes. A symbolic link as the
// last part of the path, a FIFO, a device or a socket is never opened (a FIFO
// would block the caller for ever): the read fails.
FileContents ReadWholeFile(const std::string& path, std::size_t maxBytes);

// Reads a file the program keeps itself (settings, state), as ReadWholeFile
// does. The folders above it are walked one by one; running as root, the read
// fails unless the file and every folder above it belong to root and no one
// else may write to them (a sticky folder such as /tmp may lie above), so that
// no other user can make root read what they choose.
FileContents ReadOwnFile(const std::string& path, std::size_t maxBytes);

// Replaces the file at path with data so that readers see either the old or
// the new contents, never a mix: the data goes to a temporary file in the same
// directory, which is flushed and renamed over the old file. The directory is
// created (owner-only) when missing. An existing file keeps its owner, group
// and mode. Refused, leaving everything as it was: a symbolic link, FIFO,
// device, socket or directory in the file's place, a read-only file (one
// without any write permission, or that the caller may not write), and,
// running as root, a file or folder that ReadOwnFile would not trust. Returns
// false on any failure.
bool ReplaceFileAtomically(const std::string& path, std::string_view data);

// Opens the folder at path that holds files the program keeps to itself; with
// create it is made (owner-only) when missing, with the folders above it. The
// folder itself is never a symbolic link. Running as root, it and every folder
// above it must belong to root with no one else allowed to write to them (a
// sticky folder may lie further up), as for ReadOwnFile, and no part of the
// path may be a symbolic link, not even root's: what root makes or changes in
// the folder is then in the place the path names. An invalid descriptor on
// failure.
UniqueFd OpenOwnDirectory(std::string path, bool create);

// Whether the file at path is a regular file that only root can change: it
// and every folder above it belong to root and no one else may write to them.
// Symbolic links on the way count only when root made them.
bool IsChangeableOnlyByRoot(const std::string& path);

}  // namespace platform::linux_impl
