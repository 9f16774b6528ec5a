#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::linux_impl {

enum class ReadStatus { Ok, Missing, Failed, TooLarge };

struct FileContents {
  ReadStatus status = ReadStatus::Failed;
  std::string bytes;
};

// Reads a whole regular file of at most maxBytes bytes.
FileContents ReadWholeFile(const std::string& path, std::size_t maxBytes);

// Replaces the file at path with data so that readers see either the old or
// the new contents, never a mix: the data goes to a temporary file in the same
// directory, which is flushed and renamed over the old file. A symbolic link is
// followed, and an existing file keeps its permissions. The directory is
// created when missing. Returns false, leaving the old file as it was, on any
// failure.
bool ReplaceFileAtomically(const std::string& path, std::string_view data);

}  // namespace platform::linux_impl
