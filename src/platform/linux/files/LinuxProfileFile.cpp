#include "platform/linux/files/LinuxProfileFile.h"

#include "common/ModulePublicFunction.h"
#include "platform/linux/files/FileIo.h"
#include "platform/linux/files/IniDocument.h"

namespace platform::linux_impl {

LinuxProfileFile::LinuxProfileFile(std::string path) : path_(std::move(path)) {}

std::string LinuxProfileFile::GetString(std::string_view section, std::string_view key,
                                        std::string_view defaultValue, std::size_t maxChars) const {
  const FileContents file = ReadOwnFile(path_, kMaxFileBytes);
  std::optional<std::string> value;
  if (file.status == ReadStatus::Ok) value = IniDocument::Parse(file.bytes).Get(section, key);
  return tarvelo::ModulePublicFunction::CutToCharacters(value ? *value : defaultValue, maxChars);
}

bool LinuxProfileFile::WriteString(std::string_view section, std::string_view key,
                                   std::string_view value) {
  if (!IsWritableEntry(section, key, value)) return false;
  const FileContents file = ReadOwnFile(path_, kMaxFileBytes);
  // A file that exists but cannot be read would be lost by a rewrite.
  if (file.status != ReadStatus::Ok && file.status != ReadStatus::Missing) return false;
  IniDocument doc = IniDocument::Parse(file.bytes);
  doc.Set(section, key, value);
  return ReplaceFileAtomically(path_, doc.Serialize());
}

}  // namespace platform::linux_impl
