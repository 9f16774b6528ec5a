#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/UniqueFd.h"

namespace platform::linux_impl {

// A file of /proc that is read again and again: it stays open and each
// reading starts at offset 0, where the kernel makes its contents afresh, so
// a reading costs one system call. A failed read reopens the file once.
class ProcFile {
 public:
  explicit ProcFile(std::string path) : path_(std::move(path)) {}

  // Up to size bytes from the start of the file; nothing when it cannot be read.
  std::optional<std::size_t> ReadInto(char* buffer, std::size_t size);

  // The start of the file in buffer, growing it (up to maxBytes) until
  // complete(text) holds or the whole file is in; nothing when it cannot be
  // read.
  template <typename Complete>
  std::optional<std::string_view> ReadUntil(std::string& buffer, std::size_t maxBytes, Complete complete) {
    if (buffer.size() < 4096) buffer.resize(4096);
    for (;;) {
      const auto n = ReadInto(buffer.data(), buffer.size());
      if (!n) return std::nullopt;
      const std::string_view text(buffer.data(), *n);
      if (*n < buffer.size() || buffer.size() >= maxBytes || complete(text)) return text;
      buffer.resize(std::min(buffer.size() * 2, maxBytes));
    }
  }

 private:
  std::string path_;
  UniqueFd fd_;
};

}  // namespace platform::linux_impl
