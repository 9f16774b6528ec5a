#include "platform/linux/LinuxProfileFile.h"

#include "common/ModulePublicFunction.h"
#include "platform/linux/FileIo.h"
#include "platform/linux/IniDocument.h"

namespace platform::linux_impl {

namespace {

bool HasAny(std::string_view text, std::string_view characters) {
  return text.find_first_of(characters) != std::string_view::npos;
}

// A name or value that would break the line structure of the file (and so
// change other keys) is refused rather than written.
bool Writable(std::string_view section, std::string_view key, std::string_view value) {
  using namespace std::string_view_literals;
  const auto lineBreaks = "\r\n\0"sv;
  return section.find_first_not_of(' ') != std::string_view::npos &&
         key.find_first_not_of(' ') != std::string_view::npos && !HasAny(section, lineBreaks) &&
         !HasAny(section, "]") && !HasAny(key, lineBreaks) && !HasAny(key, "=[") &&
         !HasAny(value, lineBreaks);
}

}  // namespace

LinuxProfileFile::LinuxProfileFile(std::string path) : path_(std::move(path)) {}

std::string LinuxProfileFile::GetString(std::string_view section, std::string_view key,
                                        std::string_view defaultValue, std::size_t maxChars) const {
  const FileContents file = ReadWholeFile(path_, kMaxFileBytes);
  std::optional<std::string> value;
  if (file.status == ReadStatus::Ok) value = IniDocument::Parse(file.bytes).Get(section, key);
  return tarvelo::ModulePublicFunction::CutToCharacters(value ? *value : defaultValue, maxChars);
}

bool LinuxProfileFile::WriteString(std::string_view section, std::string_view key,
                                   std::string_view value) {
  if (!Writable(section, key, value)) return false;
  const FileContents file = ReadWholeFile(path_, kMaxFileBytes);
  // A file that exists but cannot be read would be lost by a rewrite.
  if (file.status != ReadStatus::Ok && file.status != ReadStatus::Missing) return false;
  IniDocument doc = IniDocument::Parse(file.bytes);
  doc.Set(section, key, value);
  return ReplaceFileAtomically(path_, doc.Serialize());
}

}  // namespace platform::linux_impl
